#include "comport/device/termios_settings.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>
#include <functional>

namespace kestrova {
namespace {

DeviceControlBlock EightNoneOne(std::uint32_t rate) {
  DeviceControlBlock dcb;
  dcb.DCBlength = 28;
  dcb.BaudRate = rate;
  dcb.fBinary = 1;
  dcb.ByteSize = 8;
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  return dcb;
}

constexpr tcflag_t kCflagMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CREAD | CLOCAL;
constexpr tcflag_t kIflagMask = INPCK | IXON | IXOFF | IXANY | PARMRK | IGNPAR | ICRNL;

TEST(TermiosSettingsTest, DeviceControlBlockOnZeroedTermios) {
  struct Case {
    const char* name;
    std::function<void(DeviceControlBlock&)> edit;
    tcflag_t cflag;
    tcflag_t iflag;
    speed_t speed;  // 0: a custom rate leaves the speed alone
    cc_t start, stop;
  } cases[] = {
      {"8N1 9600", [](auto&) {}, CS8 | CREAD | CLOCAL, 0, B9600, 17, 19},
      {"7E1 with check", [](auto& d) { d.ByteSize = 7; d.Parity = kEvenParity; d.fParity = 1; },
       CS7 | PARENB | CREAD | CLOCAL, INPCK, B9600, 17, 19},
      {"6O2", [](auto& d) { d.ByteSize = 6; d.Parity = kOddParity; d.StopBits = kTwoStopBits; },
       CS6 | PARENB | PARODD | CSTOPB | CREAD | CLOCAL, 0, B9600, 17, 19},
      {"5 mark 1.5", [](auto& d) { d.ByteSize = 5; d.Parity = kMarkParity; d.StopBits = kOne5StopBits; },
       CS5 | PARENB | PARODD | CMSPAR | CSTOPB | CREAD | CLOCAL, 0, B9600, 17, 19},
      {"space", [](auto& d) { d.Parity = kSpaceParity; }, CS8 | PARENB | CMSPAR | CREAD | CLOCAL, 0, B9600, 17, 19},
      {"CTS out flow", [](auto& d) { d.fOutxCtsFlow = 1; }, CS8 | CRTSCTS | CREAD | CLOCAL, 0, B9600, 17, 19},
      {"RTS handshake", [](auto& d) { d.fRtsControl = kRtsControlHandshake; }, CS8 | CRTSCTS | CREAD | CLOCAL, 0,
       B9600, 17, 19},
      {"Xon/Xoff both ways, own characters",
       [](auto& d) { d.fOutX = 1; d.fInX = 1; d.XonChar = 'Q'; d.XoffChar = 'S'; }, CS8 | CREAD | CLOCAL,
       IXON | IXOFF, B9600, 'Q', 'S'},
      {"Xon/Xoff out only", [](auto& d) { d.fOutX = 1; }, CS8 | CREAD | CLOCAL, IXON, B9600, 17, 19},
      {"DSR flow and TxContinueOnXoff have no termios bit",
       [](auto& d) { d.fOutxDsrFlow = 1; d.fTXContinueOnXoff = 1; d.fDtrControl = kDtrControlHandshake; },
       CS8 | CREAD | CLOCAL, 0, B9600, 17, 19},
      {"115200", [](auto& d) { d.BaudRate = 115200; }, CS8 | CREAD | CLOCAL, 0, B115200, 17, 19},
      {"110", [](auto& d) { d.BaudRate = 110; }, CS8 | CREAD | CLOCAL, 0, B110, 17, 19},
      {"custom 31250", [](auto& d) { d.BaudRate = 31250; }, CS8 | CREAD | CLOCAL, 0, 0, 17, 19},
      {"custom 14400", [](auto& d) { d.BaudRate = 14400; }, CS8 | CREAD | CLOCAL, 0, 0, 17, 19},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeviceControlBlock dcb = EightNoneOne(9600);
    c.edit(dcb);
    termios t{};
    ASSERT_EQ(ApplyDeviceControlBlock(t, dcb), 0);
    EXPECT_EQ(t.c_cflag & kCflagMask, c.cflag);
    EXPECT_EQ(t.c_iflag & kIflagMask, c.iflag);
    EXPECT_EQ(cfgetospeed(&t), c.speed);
    EXPECT_EQ(cfgetispeed(&t), c.speed);
    EXPECT_EQ(t.c_cc[VSTART], c.start);
    EXPECT_EQ(t.c_cc[VSTOP], c.stop);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
  }
}

TEST(TermiosSettingsTest, StandardRateAfterACustomOneSetsTheInputSpeedToo) {
  // As the kernel reports a terminal after a custom rate: both directions on BOTHER (CBAUDEX).
  termios t{};
  t.c_cflag = CS8 | CREAD | CLOCAL | CBAUDEX | CIBAUD;
  ASSERT_EQ(ApplyDeviceControlBlock(t, EightNoneOne(115200)), 0);
  EXPECT_EQ(t.c_cflag & CIBAUD, 0u) << "the input speed must follow the output speed";
  EXPECT_EQ(t.c_cflag & CBAUD, static_cast<tcflag_t>(B115200));
}

TEST(TermiosSettingsTest, InvalidValuesAreRefusedAndLeaveTheValueUnchanged) {
  struct Case {
    const char* name;
    std::function<void(DeviceControlBlock&)> edit;
  } cases[] = {
      {"rate 0 would hang up", [](auto& d) { d.BaudRate = 0; }},
      {"9 data bits", [](auto& d) { d.ByteSize = 9; }},
      {"4 data bits", [](auto& d) { d.ByteSize = 4; }},
      {"parity 5", [](auto& d) { d.Parity = 5; }},
      {"stop bits 3", [](auto& d) { d.StopBits = 3; }},
      // CSTOPB is 1.5 stop bits with 5 data bits and 2 with more: the other pairs cannot be sent.
      {"1.5 stop bits, 6 data bits", [](auto& d) { d.StopBits = kOne5StopBits; d.ByteSize = 6; }},
      {"1.5 stop bits, 7 data bits", [](auto& d) { d.StopBits = kOne5StopBits; d.ByteSize = 7; }},
      {"1.5 stop bits, 8 data bits", [](auto& d) { d.StopBits = kOne5StopBits; }},
      {"2 stop bits, 5 data bits", [](auto& d) { d.StopBits = kTwoStopBits; d.ByteSize = 5; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeviceControlBlock dcb = EightNoneOne(9600);
    c.edit(dcb);
    termios t{};
    t.c_cflag = CS7 | PARENB;
    t.c_iflag = ICRNL;
    termios before = t;
    EXPECT_EQ(ApplyDeviceControlBlock(t, dcb), EINVAL);
    EXPECT_EQ(std::memcmp(&t, &before, sizeof t), 0);
  }
}

TEST(TermiosSettingsTest, RawModeClearsLineDisciplineOfAFullyCookedValue) {
  termios t;
  std::memset(&t, 0xFF, sizeof t);
  MakeRaw(t);
  EXPECT_EQ(t.c_iflag & (IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag & (ECHO | ECHONL | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), CREAD | CLOCAL);
  EXPECT_EQ(t.c_cc[VMIN], 1);
  EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(TermiosSettingsTest, StandardSpeedsAndModemControlLines) {
  EXPECT_EQ(StandardSpeed(9600), B9600);
  EXPECT_EQ(StandardSpeed(4000000), B4000000);
  EXPECT_FALSE(StandardSpeed(56000));
  EXPECT_FALSE(StandardSpeed(128000));
  EXPECT_FALSE(StandardSpeed(0));

  struct Case {
    std::uint8_t dtr, rts;
    ModemControl lines;
  } cases[] = {
      {kDtrControlDisable, kRtsControlDisable, {0, TIOCM_DTR | TIOCM_RTS}},
      {kDtrControlEnable, kRtsControlEnable, {TIOCM_DTR | TIOCM_RTS, 0}},
      {kDtrControlHandshake, kRtsControlHandshake, {TIOCM_DTR, 0}},
      // Under toggle the driver's RS-485 mode drives RTS.
      {kDtrControlEnable, kRtsControlToggle, {TIOCM_DTR, 0}},
  };
  for (const Case& c : cases) {
    DeviceControlBlock dcb;
    dcb.fDtrControl = c.dtr;
    dcb.fRtsControl = c.rts;
    EXPECT_EQ(ModemControlLines(dcb), c.lines) << int(c.dtr) << "/" << int(c.rts);
  }
}

// A device whose settings differ in any part from the wanted ones is written to; only a value
// that sets the device alike is left out.
TEST(TermiosSettingsTest, SameSettingsSeesEveryPartThatSetsTheDevice) {
  termios base{};
  ASSERT_EQ(ApplyDeviceControlBlock(base, EightNoneOne(9600)), 0);
  const struct {
    const char* name;
    std::function<void(termios&)> edit;
  } cases[] = {
      {"input flag", [](termios& t) { t.c_iflag |= IXON; }},
      {"output flag", [](termios& t) { t.c_oflag |= OPOST; }},
      {"control flag", [](termios& t) { t.c_cflag |= CSTOPB; }},
      {"local flag", [](termios& t) { t.c_lflag |= ECHO; }},
      {"line discipline", [](termios& t) { t.c_line = 1; }},
      {"character", [](termios& t) { t.c_cc[VSTOP] = 0x13 + 1; }},
      {"input speed", [](termios& t) { cfsetispeed(&t, B1200); }},
      {"output speed", [](termios& t) { cfsetospeed(&t, B1200); }},
  };
  termios copy = base;
  EXPECT_TRUE(SameSettings(copy, base));
  for (const auto& c : cases) {
    termios edited = base;
    c.edit(edited);
    EXPECT_FALSE(SameSettings(edited, base)) << c.name;
  }
}

}  // namespace
}  // namespace kestrova
