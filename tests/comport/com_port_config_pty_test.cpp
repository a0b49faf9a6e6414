// Device configuration on real pseudo-terminals: queue sizes the device refuses, and line
// settings it cannot carry.
#include "pty_port_fixture.h"
#include "raised_error.h"

#include "comport/com_error.h"
#include "comport/com_port.h"

#include <fcntl.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace kestrova {
namespace {

using namespace std::chrono_literals;

bool SameTermios(const termios& a, const termios& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class PortConfigOnPseudoTerminal : public PortOnPseudoTerminal {
 protected:
  static termios TermiosOf(const TCustomComPort& port) {
    termios t{};
    EXPECT_EQ(tcgetattr(Descriptor(port), &t), 0);
    return t;
  }
};

constexpr std::int32_t kMaxSize = 16 << 20;

TEST_F(PortOnPseudoTerminal, QueueSizesOutsideTheirRangeAreCodeNine) {
  const struct {
    std::int32_t input, output;
    bool accepted;
  } cases[] = {
      {2, 2, true},
      {kMaxSize, kMaxSize, true},
      // A stored dword:FFFFFFFE reads as -2.
      {-2, 1024, false},
      {0, 1024, false},
      {-1, 1024, false},
      {kMaxSize + 2, 1024, false},
      {1024, 0, false},
      {1024, -2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "input " << c.input << " output " << c.output);
    TComPort port;
    port.SetEvents({});
    port.SetPort("COM3");
    port.Buffer().SetInputSize(c.input);
    port.Buffer().SetOutputSize(c.output);
    if (c.accepted) {
      port.SetConnected(true);
      EXPECT_TRUE(port.Connected());
      continue;
    }
    // At the open: the device is closed again.
    EComPort atOpen = Raised([&] { port.SetConnected(true); });
    EXPECT_EQ(atOpen.ErrorCode(), errSetupFailed);
    EXPECT_EQ(atOpen.SystemErrorCode(), EINVAL);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Device(), nullptr);

    // From a setter on the open port: the port stays open with the sizes it had.
    port.Buffer().SetInputSize(1024);
    port.Buffer().SetOutputSize(1024);
    port.SetConnected(true);
    const std::int32_t badInput = c.input, badOutput = c.output;
    EComPort fromSetter = Raised([&] {
      port.Buffer().SetInputSize(badInput);
      port.Buffer().SetOutputSize(badOutput);
    });
    EXPECT_EQ(fromSetter.ErrorCode(), errSetupFailed);
    EXPECT_STREQ(fromSetter.what(), "SetupComm function failed (win error code: 22)");
    EXPECT_TRUE(port.Connected());
    auto* device = dynamic_cast<ComDevicePosix*>(port.Device());
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->Queues(), (QueueSizes{.InputSize = 1024, .OutputSize = 1024}));
  }
}

TEST_F(PortOnPseudoTerminal, AFloodingPeerFillsTheInputQueueOnlyToItsSize) {
  constexpr std::int32_t kInputSize = 8192;
  constexpr std::int32_t kTerminalBuffer = 4096;  // what the line discipline holds besides
  TComPort port;
  port.SetPort("COM3");
  port.SetSyncMethod(TSyncMethod::smNone);  // all ten events: the event thread takes input in
  port.Buffer().SetInputSize(kInputSize);
  port.SetConnected(true);
  ASSERT_EQ(::fcntl(peer_->Master(), F_SETFL, ::fcntl(peer_->Master(), F_GETFL) | O_NONBLOCK), 0);

  // The peer writes until nothing more has been taken for half a second.
  const std::vector<char> chunk(4096, 'x');
  std::size_t sent = 0;
  for (auto idleSince = std::chrono::steady_clock::now(); std::chrono::steady_clock::now() - idleSince < 500ms;) {
    const ssize_t n = ::write(peer_->Master(), chunk.data(), chunk.size());
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      idleSince = std::chrono::steady_clock::now();
    } else {
      ASSERT_EQ(errno, EAGAIN);
      std::this_thread::sleep_for(10ms);
    }
    ASSERT_LT(sent, std::size_t{1} << 20) << "the port keeps taking input";
  }
  const std::int32_t queued = port.InQueueCount();
  EXPECT_LE(queued, kInputSize + kTerminalBuffer);

  // What is counted can be read.
  std::vector<char> got(static_cast<std::size_t>(queued));
  EXPECT_EQ(port.ReceiveBuffer(got.data(), queued), queued);
}

TEST_F(PortConfigOnPseudoTerminal, StopBitsTheLineCannotSendAreCodeSeven) {
  // A pseudo-terminal keeps only 8 data bits, so the pairs it takes are shown with 8; the pairs
  // with 5 data bits are the termios edit's to show.
  const struct {
    TDataBits data;
    TStopBits stop;
  } refused[] = {
      {TDataBits::dbSix, TStopBits::sbOne5StopBits},
      {TDataBits::dbSeven, TStopBits::sbOne5StopBits},
      {TDataBits::dbEight, TStopBits::sbOne5StopBits},
      {TDataBits::dbFive, TStopBits::sbTwoStopBits},
  };
  TComPort port;
  port.SetEvents({});
  port.SetPort("COM3");
  port.SetStopBits(TStopBits::sbTwoStopBits);
  port.SetConnected(true);
  const termios before = TermiosOf(port);
  ASSERT_NE(before.c_cflag & CSTOPB, 0u);
  for (const auto& c : refused) {
    SCOPED_TRACE(testing::Message() << "data bits " << static_cast<int>(c.data) + 5 << " stop bits ordinal "
                                    << static_cast<int>(c.stop));
    port.BeginSettingsChange();
    port.SetDataBits(c.data);
    port.SetStopBits(c.stop);
    EComPort e = Raised([&] { port.EndSettingsChange(); });
    EXPECT_EQ(e.ErrorCode(), errSetStateFailed);
    EXPECT_EQ(e.SystemErrorCode(), EINVAL);
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(SameTermios(TermiosOf(port), before)) << "the device keeps its configuration";

    port.BeginSettingsChange();
    port.SetDataBits(TDataBits::dbEight);
    port.SetStopBits(TStopBits::sbTwoStopBits);
    port.EndSettingsChange();
  }
  port.SetStopBits(TStopBits::sbOneStopBit);
  EXPECT_EQ(TermiosOf(port).c_cflag & CSTOPB, 0u);
}

TEST_F(PortConfigOnPseudoTerminal, RtsToggleOnADeviceWithoutRs485ModeIsCodeSeven) {
  TComPort port;
  port.SetEvents({});
  port.SetPort("COM3");
  port.SetConnected(true);
  const termios before = TermiosOf(port);
  EComPort e = Raised([&] {
    port.BeginSettingsChange();
    port.SetBaudRate(TBaudRate::br57600);
    port.FlowControl().SetControlRTS(TRTSFlowControl::rtsToggle);
    port.EndSettingsChange();
  });
  EXPECT_EQ(e.ErrorCode(), errSetStateFailed);
  EXPECT_EQ(e.SystemErrorCode(), ENOTTY);
  EXPECT_TRUE(port.Connected());
  EXPECT_TRUE(SameTermios(TermiosOf(port), before)) << "nothing of the refused block reached the device";

  // Any other RTS control applies again, the rate with it.
  port.FlowControl().SetControlRTS(TRTSFlowControl::rtsEnable);
  const termios after = TermiosOf(port);
  EXPECT_EQ(cfgetospeed(&after), B57600);

  // Opening with toggle fails the same way and leaves the port closed.
  port.SetConnected(false);
  port.FlowControl().SetControlRTS(TRTSFlowControl::rtsToggle);
  EXPECT_EQ(Raised([&] { port.SetConnected(true); }).SystemErrorCode(), ENOTTY);
  EXPECT_FALSE(port.Connected());
}

// Settings already on the device are not written again at an open; settings that someone else
// changed while the port was closed are.
TEST_F(PortConfigOnPseudoTerminal, SettingsChangedWhileClosedAreWrittenAgainAtTheNextOpen) {
  TComPort port;
  port.SetPort("COM3");
  port.SetBaudRate(TBaudRate::br19200);
  port.SetConnected(true);
  const termios applied = TermiosOf(port);
  port.SetConnected(false);

  const int other = ::open(peer_->Path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(other, 0);
  termios changed = applied;
  cfsetspeed(&changed, B1200);
  changed.c_lflag |= ECHO | ICANON;
  changed.c_cc[VMIN] = 0;
  ASSERT_EQ(tcsetattr(other, TCSANOW, &changed), 0);
  ::close(other);

  port.SetConnected(true);
  const termios reopened = TermiosOf(port);
  EXPECT_EQ(cfgetospeed(&reopened), B19200);
  EXPECT_EQ(reopened.c_lflag & (ECHO | ICANON), 0u);
  EXPECT_EQ(reopened.c_cc[VMIN], 1);
  EXPECT_TRUE(SameTermios(reopened, applied));
}

}  // namespace
}  // namespace kestrova
