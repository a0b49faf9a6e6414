// RTS toggle as the driver's RS-485 mode: the pure edit, and the device on a pseudo-terminal whose
// driver is given an RS-485 mode here, since no pseudo-terminal has one.
#include "comport/device/com_device_posix.h"
#include "comport/device/rs485_mode.h"
#include "support/pseudo_terminal_pair.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <string>

namespace kestrova {
namespace {

// The RS-485 mode of the emulated descriptor. Its driver keeps only the flags in `supported` when
// a mode is written and answers with what it kept, as the kernel's serial core does.
struct EmulatedDriver {
  int fd = -1;
  serial_rs485 mode{};
  __u32 supported = ~0u;
  int writes = 0;
};
EmulatedDriver driver;

}  // namespace
}  // namespace kestrova

// This test links with --wrap=ioctl: every ioctl of the device under test comes here first.
extern "C" int __real_ioctl(int fd, unsigned long request, ...);
extern "C" int __wrap_ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  using kestrova::driver;
  // A driver with an RS-485 mode is a UART's, which has modem lines (all low here).
  if (fd == driver.fd && request == TIOCMGET) {
    *static_cast<int*>(arg) = 0;
    return 0;
  }
  if (fd == driver.fd && (request == TIOCMBIS || request == TIOCMBIC)) return 0;
  if (fd == driver.fd && request == TIOCGRS485) {
    std::memcpy(arg, &driver.mode, sizeof driver.mode);
    return 0;
  }
  if (fd == driver.fd && request == TIOCSRS485) {
    auto* mode = static_cast<serial_rs485*>(arg);
    mode->flags &= driver.supported;
    driver.mode = *mode;
    ++driver.writes;
    return 0;
  }
  return __real_ioctl(fd, request, arg);
}

namespace kestrova {
namespace {

constexpr __u32 kToggle = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;

DeviceControlBlock Block(std::uint8_t rtsControl, std::uint32_t rate = 9600) {
  DeviceControlBlock dcb;
  dcb.DCBlength = 28;
  dcb.BaudRate = rate;
  dcb.fBinary = 1;
  dcb.fRtsControl = rtsControl;
  dcb.ByteSize = 8;
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  return dcb;
}

serial_rs485 Mode(__u32 flags, __u32 before = 0, __u32 after = 0) {
  serial_rs485 mode{};
  mode.flags = flags;
  mode.delay_rts_before_send = before;
  mode.delay_rts_after_send = after;
  return mode;
}

TEST(Rs485ModeTest, ToggleEnablesTheModeAndEveryOtherControlDisablesIt) {
  const struct {
    const char* name;
    serial_rs485 current;
    std::uint8_t rts;
    std::optional<__u32> flags;  // none: nothing to write
  } cases[] = {
      {"toggle from off", Mode(0), kRtsControlToggle, kToggle},
      {"toggle turns the levels round, keeps other options",
       Mode(SER_RS485_ENABLED | SER_RS485_RTS_AFTER_SEND | SER_RS485_RX_DURING_TX), kRtsControlToggle,
       kToggle | SER_RS485_RX_DURING_TX},
      {"toggle when toggling", Mode(kToggle), kRtsControlToggle, std::nullopt},
      {"enable switches the mode off", Mode(kToggle), kRtsControlEnable, SER_RS485_RTS_ON_SEND},
      {"handshake switches the mode off", Mode(kToggle), kRtsControlHandshake, SER_RS485_RTS_ON_SEND},
      {"disable when off", Mode(SER_RS485_RTS_ON_SEND), kRtsControlDisable, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<serial_rs485> wanted = Rs485ModeFor(c.current, Block(c.rts));
    ASSERT_EQ(wanted.has_value(), c.flags.has_value());
    if (wanted) {
      EXPECT_EQ(wanted->flags, *c.flags);
    }
  }
  // The delays belong to the wiring: they are kept.
  std::optional<serial_rs485> wanted = Rs485ModeFor(Mode(0, 5, 7), Block(kRtsControlToggle));
  ASSERT_TRUE(wanted);
  EXPECT_EQ(wanted->delay_rts_before_send, 5u);
  EXPECT_EQ(wanted->delay_rts_after_send, 7u);

  EXPECT_TRUE(TogglesRts(Mode(kToggle | SER_RS485_RX_DURING_TX)));
  EXPECT_FALSE(TogglesRts(Mode(SER_RS485_ENABLED)));
  EXPECT_FALSE(TogglesRts(Mode(SER_RS485_ENABLED | SER_RS485_RTS_AFTER_SEND)));
  EXPECT_FALSE(TogglesRts(Mode(kToggle | SER_RS485_RTS_AFTER_SEND)));
  EXPECT_FALSE(TogglesRts(Mode(SER_RS485_RTS_ON_SEND)));
}

class DriverWithRs485Mode : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(pair_.Master(), 0);
    pair_.CloseSlave();
    // Through a link, as a serial device often is: under its own /dev/pts path the device is
    // known to be a pseudo-terminal and asks it for no modem lines at all.
    link_ = std::filesystem::temp_directory_path() / ("rs485-" + std::to_string(::getpid()));
    std::filesystem::remove(link_);
    std::filesystem::create_symlink(pair_.Path(), link_);
    // The driver answers from the open on (which asks for modem lines): a first open finds the
    // descriptor number, which the second one gets again, as the lowest free one.
    ASSERT_EQ(device_.Open(link_), 0);
    const int fd = device_.Descriptor();
    device_.Close();
    driver = EmulatedDriver{.fd = fd};
    ASSERT_EQ(device_.Open(link_), 0);
    ASSERT_EQ(device_.Descriptor(), fd);
  }
  void TearDown() override {
    driver = EmulatedDriver{};
    device_.Close();
    std::filesystem::remove(link_);
  }

  speed_t OutputSpeed() const {
    termios t{};
    EXPECT_EQ(tcgetattr(device_.Descriptor(), &t), 0);
    return cfgetospeed(&t);
  }

  support::PseudoTerminalPair pair_;
  std::filesystem::path link_;
  ComDevicePosix device_;
};

TEST_F(DriverWithRs485Mode, ToggleRunsInTheModeUntilAnotherControlIsChosen) {
  ASSERT_EQ(device_.SetState(Block(kRtsControlToggle, 57600)), 0);
  EXPECT_EQ(driver.mode.flags, kToggle);
  EXPECT_EQ(OutputSpeed(), B57600) << "the rest of the block applies with the mode";

  ASSERT_EQ(device_.SetState(Block(kRtsControlToggle, 19200)), 0);
  EXPECT_EQ(driver.writes, 1) << "a mode that fits is not written again";

  ASSERT_EQ(device_.SetState(Block(kRtsControlEnable)), 0);
  EXPECT_EQ(driver.mode.flags & SER_RS485_ENABLED, 0u);
  EXPECT_EQ(driver.writes, 2);
}

TEST_F(DriverWithRs485Mode, ADriverThatCannotRaiseRtsOnlyWhileSendingKeepsItsModeAndLine) {
  // This driver drives RTS the other way round only: it drops RTS_ON_SEND.
  driver.supported = SER_RS485_ENABLED | SER_RS485_RTS_AFTER_SEND;
  driver.mode = Mode(SER_RS485_RTS_AFTER_SEND, 1, 2);
  ASSERT_EQ(device_.SetState(Block(kRtsControlEnable, 9600)), 0);
  EXPECT_EQ(device_.SetState(Block(kRtsControlToggle, 57600)), EINVAL);
  EXPECT_EQ(driver.mode.flags, static_cast<__u32>(SER_RS485_RTS_AFTER_SEND)) << "the previous mode is back";
  EXPECT_EQ(driver.mode.delay_rts_after_send, 2u);
  EXPECT_EQ(OutputSpeed(), B9600) << "nothing else of the block reached the device";
}

}  // namespace
}  // namespace kestrova
