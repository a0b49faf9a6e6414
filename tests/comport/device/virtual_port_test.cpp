// Virtual ports on real pseudo-terminals: the component end opened by path at each tick, the
// published link read by a reader as a reading program would, the relay in its own process.
#include "comport/device/virtual_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "comport/device/port_map.h"
#include "comport/device/virtual_port_devices.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class Folder final {
 public:
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "kestrova-virtual-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~Folder() { fs::remove_all(path_); }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// What the port component does at each tick: open the device by path, write, close.
void Tick(const std::string& device, const std::string& frame) {
  int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(fd, 0) << device;
  ASSERT_EQ(::write(fd, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
  ::close(fd);
}

// A reading program: opens the link and reads what arrives.
class Reader final {
 public:
  explicit Reader(const fs::path& link) : fd_(::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    EXPECT_GE(fd_, 0) << link;
  }
  ~Reader() { Close(); }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Reads until `count` bytes have come or `wait` passed without a byte.
  std::string Read(std::size_t count, std::chrono::milliseconds wait = 5000ms) {
    std::string received;
    while (received.size() < count) {
      pollfd p{.fd = fd_, .events = POLLIN, .revents = 0};
      if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) break;
      char buffer[256];
      ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - received.size()));
      if (n <= 0) break;
      received.append(buffer, static_cast<std::size_t>(n));
    }
    return received;
  }

 private:
  int fd_;
};

// The relay notices a reader through an inotify watch; a test gives it a moment to do so
// before the next tick, as a real reader simply gets the tick after that.
void LetRelaySettle() { std::this_thread::sleep_for(50ms); }

bool LinkGoneWithin(const fs::path& link, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::error_code ec;
  while (fs::is_symlink(link, ec)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

TEST(VirtualPortTest, PublishesALinkToThePeerAndRecordsTheComponentEnd) {
  Folder folder;
  fs::path link;
  {
    VirtualPort port("com2", folder.Path());
    EXPECT_EQ(port.PortName(), "COM2");
    link = folder.Path() / "COM2";
    EXPECT_EQ(port.LinkPath(), link);
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::read_symlink(link).string().starts_with("/dev/pts/"));
    EXPECT_NE(fs::read_symlink(link).string(), port.DevicePath());
    EXPECT_EQ(VirtualPortDevice("COM2"), port.DevicePath());
    EXPECT_EQ(PortMap::Parse("COM2 = virtual\n").DevicePath("COM2"), port.DevicePath());
  }
  // Gone as soon as the owner is, and the name no longer opens anything.
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  EXPECT_EQ(VirtualPortDevice("COM2"), "");
  EXPECT_EQ(PortMap::Parse("COM2 = virtual\n").DevicePath("COM2"), "");
}

TEST(VirtualPortTest, ReaderGetsEveryFrameAndAfterReopeningOnlyNewWholeFrames) {
  Folder folder;
  VirtualPort port("COM2", folder.Path());
  auto reader = std::make_unique<Reader>(port.LinkPath());
  LetRelaySettle();
  for (int i = 0; i < 3; ++i) Tick(port.DevicePath(), "_04000" + std::to_string(i) + "_\r");
  EXPECT_EQ(reader->Read(27), "_040000_\r_040001_\r_040002_\r");

  // Frames sent while nobody reads are dropped, not kept for the next reader.
  reader->Close();
  LetRelaySettle();
  for (int i = 0; i < 200; ++i) Tick(port.DevicePath(), "_stale_\r");
  LetRelaySettle();
  reader = std::make_unique<Reader>(port.LinkPath());
  LetRelaySettle();
  Tick(port.DevicePath(), "_040009_\r");
  EXPECT_EQ(reader->Read(64, 300ms), "_040009_\r");
}

TEST(VirtualPortTest, LateReaderStartsWithAWholeFrame) {
  Folder folder;
  VirtualPort port("COM3", folder.Path());
  // Half a frame is on its way when the reader comes; it gets that frame whole once it ends,
  // never a piece of it.
  Tick(port.DevicePath(), "_04");
  LetRelaySettle();
  Reader reader(port.LinkPath());
  LetRelaySettle();
  Tick(port.DevicePath(), "0000_\r_040001_\r");
  EXPECT_EQ(reader.Read(18), "_040000_\r_040001_\r");
}

TEST(VirtualPortTest, ReaderSendsToTheComponentEnd) {
  Folder folder;
  VirtualPort port("COM4", folder.Path());
  int component = ::open(port.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(component, 0);
  {
    int peer = ::open(port.LinkPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(peer, 0);
    LetRelaySettle();
    ASSERT_EQ(::write(peer, "R?\r", 3), 3);
    ::close(peer);
  }
  pollfd p{.fd = component, .events = POLLIN, .revents = 0};
  ASSERT_EQ(::poll(&p, 1, 5000), 1);
  char buffer[8] = {};
  EXPECT_EQ(::read(component, buffer, sizeof buffer), 3);
  EXPECT_EQ(std::string(buffer, 3), "R?\r");
  ::close(component);
}

TEST(VirtualPortTest, ASecondProgramCannotServeTheSameNameButAStaleLinkIsReplaced) {
  Folder folder;
  const fs::path link = folder.Path() / "COM5";
  fs::create_symlink("/dev/pts/kestrova-gone", link);  // left by a program that was killed
  VirtualPort port("COM5", folder.Path());
  const fs::path target = fs::read_symlink(link);
  EXPECT_NE(target, "/dev/pts/kestrova-gone");
  EXPECT_THROW(VirtualPort("COM5", folder.Path()), std::runtime_error);
  EXPECT_EQ(fs::read_symlink(link), target);
}

// The owner ends without running its destructor: the relay outlives it just long enough to
// remove the link. A killed relay leaves the link behind, and the next start replaces it.
TEST(VirtualPortTest, LinkRemovedWhenTheOwnerIsKilledOrTheRelayTerminated) {
  Folder folder;
  const fs::path link = folder.Path() / "COM6";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t owner = ::fork();
  ASSERT_GE(owner, 0);
  if (owner == 0) {
    ::close(ready[0]);
    try {
      VirtualPort port("COM6", folder.Path());
      (void)!::write(ready[1], "x", 1);
      for (;;) ::pause();
    } catch (...) {
      ::_exit(3);
    }
  }
  ::close(ready[1]);
  char byte;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  ASSERT_TRUE(fs::is_symlink(link));
  ::kill(owner, SIGKILL);
  ::waitpid(owner, nullptr, 0);
  EXPECT_TRUE(LinkGoneWithin(link, 5000ms));

  {
    VirtualPort port("COM6", folder.Path());
    ::kill(port.RelayProcess(), SIGTERM);
    EXPECT_TRUE(LinkGoneWithin(link, 5000ms));
  }
}

}  // namespace
}  // namespace kestrova
