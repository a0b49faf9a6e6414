// The port when its device goes away or the process runs out of descriptors, on real
// pseudo-terminals.
#include "pty_port_fixture.h"

#include "comport/com_error.h"
#include "comport/com_port.h"

#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace kestrova {
namespace {

using namespace std::chrono_literals;

std::size_t Entries(const char* folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST_F(PortOnPseudoTerminal, ClosingAPortWhoseDeviceHasGoneReleasesItEvenWhenAStepRaises) {
  TComPort port;
  port.SetPort("COM3");
  port.SetSyncMethod(TSyncMethod::smNone);
  port.OnBeforeClose = [](TCustomComPort*) { throw std::runtime_error("handler failed"); };
  port.SetConnected(true);
  // While the device is there, a failing step leaves the port open as it was.
  EXPECT_THROW(port.SetConnected(false), std::runtime_error);
  EXPECT_TRUE(port.Connected());

  ClosePeer();  // the device vanishes; a write fails as a transmit tick's would
  EXPECT_THROW(port.SendText("12345.67\r"), EComPort);
  EXPECT_THROW(port.SetConnected(false), std::runtime_error);
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Device(), nullptr);

  // A new device under the same name opens and carries the frames.
  ReplaceDevice();
  ASSERT_GE(peer_->Master(), 0);
  port.OnBeforeClose = nullptr;
  port.SetConnected(true);
  EXPECT_EQ(port.SendText("12345.67\r"), 9);
  port.SetConnected(false);
  EXPECT_EQ(PeerRead(9), "12345.67\r");
}

// Runs in a child process started by the test below, with a descriptor limit that leaves room
// for nothing but the device. Returns what went wrong, or "".
std::string RunWithOnlyRoomForTheDevice() {
  auto limitTo = [](rlim_t n) {
    rlimit r{};
    ::getrlimit(RLIMIT_NOFILE, &r);
    r.rlim_cur = n;
    return ::setrlimit(RLIMIT_NOFILE, &r) == 0;
  };
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);

  const int lowestFree = ::dup(0);
  ::close(lowestFree);
  const std::size_t threads = Entries("/proc/self/task");
  std::string failures;
  auto check = [&](bool ok, const char* what) {
    if (!ok) failures += std::string(what) + "; ";
  };

  TComPort port;
  port.SetPort("COM3");
  port.SetSyncMethod(TSyncMethod::smNone);
  // UBSan checks an object's type the first time through a pipe: an open of a missing device
  // (which fails before any I/O loop is made) lets it meet the open path's types while
  // descriptors are still to be had.
  port.SetPort("COM4");
  try {
    port.SetConnected(true);
  } catch (const EComPort&) {
  }
  port.SetPort("COM3");
  // No I/O loop exists yet in this process, and there is no room to make it: the open fails.
  check(limitTo(static_cast<rlim_t>(lowestFree) + 1), "limit");
  try {
    port.SetConnected(true);
    check(false, "first open succeeded");
  } catch (const EComPort& e) {
    check(e.ErrorCode() == errOpenFailed && e.SystemErrorCode() == EMFILE, "first open: code 1, EMFILE");
  }
  check(!port.Connected() && port.Device() == nullptr, "closed after the failed open");
  check(::setrlimit(RLIMIT_NOFILE, &saved) == 0, "restore");
  const int probe = ::dup(0);
  check(probe == lowestFree, "the device's descriptor was closed again");
  ::close(probe);
  check(Entries("/proc/self/task") == threads, "no thread left");

  // Once the process has its loop, an open needs nothing but the device's descriptor.
  port.SetConnected(true);
  check(port.SendText("ok\r") == 3, "write without a limit");
  port.SetConnected(false);
  check(limitTo(static_cast<rlim_t>(lowestFree) + 1), "limit again");
  port.SetConnected(true);
  check(port.Connected(), "second open");
  check(port.SendText("ok\r") == 3, "write");
  port.SetConnected(false);
  check(!port.Connected(), "close returned");
  ::setrlimit(RLIMIT_NOFILE, &saved);
  return failures;
}

TEST_F(PortOnPseudoTerminal, DescriptorExhaustionFailsTheOpenCleanly) {
  if (const char* child = std::getenv("KESTROVA_RLIMIT_CHILD"); child != nullptr) {
    // The child: its result goes to the parent as its exit status and on stderr.
    std::string failures = RunWithOnlyRoomForTheDevice();
    std::fprintf(stderr, "%s\n", failures.c_str());
    std::fflush(stderr);
    TearDown();  // _exit skips it: the child's port map goes here
    ::_exit(failures.empty() ? 0 : 1);
  }
  // A fresh process: this one has its loop already, and threads that a fork would not keep.
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::setenv("KESTROVA_RLIMIT_CHILD", "1", 1);
    ::execl("/proc/self/exe", "child", "--gtest_filter=PortOnPseudoTerminal.DescriptorExhaustionFailsTheOpenCleanly",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // The child maps COM3 through its own fixture, so it never shares our pseudo-terminal.
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "see the child's stderr above";
}

}  // namespace
}  // namespace kestrova
