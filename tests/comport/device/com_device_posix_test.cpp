#include "comport/device/com_device_posix.h"

#include "comport/device/custom_rate.h"
#include "support/pseudo_terminal_pair.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace kestrova {
namespace {

// A pseudo-terminal pair: the device under test opens the slave by its path.
class PseudoTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(pair_.Master(), 0);
    pair_.CloseSlave();
  }

  DeviceControlBlock Block(std::uint32_t rate) {
    DeviceControlBlock dcb;
    dcb.DCBlength = 28;
    dcb.BaudRate = rate;
    dcb.fBinary = 1;
    dcb.fDtrControl = kDtrControlEnable;
    dcb.fRtsControl = kRtsControlEnable;
    dcb.ByteSize = 8;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
  }

  support::PseudoTerminalPair pair_;
};

TEST_F(PseudoTerminal, ConfiguresRawLineAndReadsNoModemLines) {
  ComDevicePosix device;
  ASSERT_EQ(device.Open(pair_.Path()), 0);
  // Modem control on a device without modem lines is not a failure.
  ASSERT_EQ(device.SetState(Block(57600)), 0);
  termios t{};
  ASSERT_EQ(tcgetattr(device.Descriptor(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B57600);
  EXPECT_EQ(t.c_lflag & ICANON, 0u);
  EXPECT_EQ(t.c_cc[VMIN], 1);
  std::uint32_t status = 0xFF;
  EXPECT_EQ(device.GetModemStatus(status), 0);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(device.SetState(Block(0)), EINVAL);
}

TEST_F(PseudoTerminal, CustomRateIsReadBackAndATableRateResetsBothDirections) {
  ComDevicePosix device;
  ASSERT_EQ(device.Open(pair_.Path()), 0);
  LineRates rates;
  for (std::uint32_t rate : {31250u, 115200u, 56000u, 9600u}) {
    ASSERT_EQ(device.SetState(Block(rate)), 0);
    ASSERT_EQ(ReadRates(device.Descriptor(), rates), 0);
    EXPECT_EQ(rates, (LineRates{.input = rate, .output = rate})) << "in " << rates.input << " out " << rates.output;
  }
}

// What the input queue holds now: a read that returns at once with what is queued.
std::string Queued(ComDevicePosix& device) {
  CommTimeouts atOnce;
  atOnce.ReadIntervalTimeout = kMaxDword;
  EXPECT_EQ(device.SetTimeouts(atOnce), 0);
  DeviceTransfer transfer;
  char buffer[64];
  std::uint32_t done = 0;
  EXPECT_EQ(device.StartRead(transfer, buffer, sizeof buffer, done), 0);
  return std::string(buffer, done);
}

TEST_F(PseudoTerminal, InputThatArrivedWhileClosedIsDiscardedAtOpen) {
  ComDevicePosix device;
  ASSERT_EQ(device.Open(pair_.Path()), 0);
  ASSERT_EQ(device.SetState(Block(9600)), 0);
  device.Close();
  ASSERT_EQ(::write(pair_.Master(), "stale", 5), 5);
  ::usleep(20000);
  ASSERT_EQ(device.Open(pair_.Path()), 0);
  EXPECT_EQ(Queued(device), "");
  ASSERT_EQ(::write(pair_.Master(), "x", 1), 1);
  ::usleep(20000);
  EXPECT_EQ(Queued(device), "x");
}

TEST_F(PseudoTerminal, OpenIsExclusiveUntilClosed) {
  ComDevicePosix first, second;
  ASSERT_EQ(first.Open(pair_.Path()), 0);
  EXPECT_EQ(second.Open(pair_.Path()), EWOULDBLOCK);
  EXPECT_EQ(second.Descriptor(), -1);
  first.Close();
  EXPECT_EQ(second.Open(pair_.Path()), 0);
}

TEST(ComDevicePosixTest, PathsThatAreNoTerminalFail) {
  ComDevicePosix device;
  EXPECT_EQ(device.Open("/nonexistent/kestrova-tty"), ENOENT);
  auto file = std::filesystem::temp_directory_path() / ("kestrova-notty-" + std::to_string(::getpid()));
  std::ofstream(file) << "x";
  EXPECT_EQ(device.Open(file), ENOTTY);
  std::filesystem::remove(file);
  EXPECT_EQ(device.Descriptor(), -1);
  std::uint32_t status;
  EXPECT_EQ(device.GetModemStatus(status), EBADF);
  EXPECT_EQ(device.SetTimeouts({}), EBADF);
}

}  // namespace
}  // namespace kestrova
