// The real program, headless, on a virtual COM2: what a reading program sees at the
// published link, and what becomes of the link when the program ends in each way.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "kestrova_process.h"

namespace kestrova::testing {
namespace {

class LinkReader final {
 public:
  explicit LinkReader(const fs::path& link) : fd_(::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    EXPECT_GE(fd_, 0) << link;
  }
  ~LinkReader() { ::close(fd_); }
  // What can be read at once, without waiting.
  std::string Available() {
    std::string received;
    char buffer[512];
    for (pollfd p{.fd = fd_, .events = POLLIN, .revents = 0}; ::poll(&p, 1, 0) == 1;) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) break;
      received.append(buffer, static_cast<std::size_t>(n));
    }
    return received;
  }
  // Reads until `count` bytes came, or 5 s passed without a byte.
  std::string Read(std::size_t count) {
    std::string received;
    while (received.size() < count) {
      pollfd p{.fd = fd_, .events = POLLIN, .revents = 0};
      if (::poll(&p, 1, 5000) <= 0) break;
      char buffer[512];
      const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - received.size()));
      if (n <= 0) break;
      received.append(buffer, static_cast<std::size_t>(n));
    }
    return received;
  }

 private:
  int fd_;
};

std::string Repeat(const std::string& frame, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += frame;
  return text;
}

ino_t LinkInode(const KestrovaHome& home) {
  struct stat st {};
  return ::lstat(home.Link().c_str(), &st) == 0 ? st.st_ino : 0;
}

bool LinkUp(const KestrovaHome& home) { return fs::is_symlink(home.Link()); }
bool LinkGone(const KestrovaHome& home) { return !fs::exists(fs::symlink_status(home.Link())); }

long StatusKilobytes(pid_t pid, const std::string& field) {
  std::istringstream status(FileText("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

pid_t RelayOf(pid_t parent) {
  std::istringstream children(
      FileText("/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent) + "/children"));
  pid_t child = -1;
  children >> child;
  return child;
}

TEST(HeadlessVirtualPortTest, ReaderGetsWholeFramesAgainAfterReopeningAndSigtermRemovesTheLink) {
  KestrovaHome home;
  KestrovaProcess kestrova(home, {"--headless"});
  // The program says where to read, once the link is there.
  ASSERT_TRUE(WaitFor([&] { return kestrova.Stderr().find(home.Link().string()) != std::string::npos; }))
      << kestrova.Stderr();
  ASSERT_TRUE(LinkUp(home));
  for (int round = 0; round < 3; ++round) {
    LinkReader reader(home.Link());
    EXPECT_EQ(reader.Read(9 * 5), Repeat("_040000_\r", 5)) << "round " << round;
  }
  kestrova.Signal(SIGTERM);
  EXPECT_EQ(kestrova.Wait(), 0);
  EXPECT_TRUE(LinkGone(home));
  const std::string out = kestrova.Stdout();
  EXPECT_TRUE(out.starts_with("_040000_\n_040000_\n")) << out;
}

TEST(HeadlessVirtualPortTest, CountEndsWithTheLinkGoneAndAKilledRunIsReplacedByTheNextStart) {
  KestrovaHome home;
  {
    KestrovaProcess kestrova(home, {"--headless", "--count", "5", "--interval", "10"});
    EXPECT_EQ(kestrova.Wait(), 0) << kestrova.Stderr();
    EXPECT_EQ(kestrova.Stdout(), Repeat("_040000_\n", 5));
    EXPECT_TRUE(LinkGone(home));
  }
  {
    // Killed: the relay outlives the program just long enough to remove the link.
    KestrovaProcess killed(home, {"--headless"});
    ASSERT_TRUE(WaitFor([&] { return LinkUp(home); }));
    killed.Signal(SIGKILL);
    EXPECT_EQ(killed.Wait(), 128 + SIGKILL);
    EXPECT_TRUE(WaitFor([&] { return LinkGone(home); }));
  }
  {
    // The relay killed first, then the program: nothing is left to remove the link.
    KestrovaProcess killed(home, {"--headless"});
    ASSERT_TRUE(WaitFor([&] { return LinkUp(home) && RelayOf(killed.Pid()) > 0; }));
    ::kill(RelayOf(killed.Pid()), SIGKILL);
    killed.Signal(SIGKILL);
    killed.Wait();
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(LinkUp(home));
  }
  // Compared by inode: the new pair may well get the stale link's pseudo-terminal number.
  const ino_t stale = LinkInode(home);
  KestrovaProcess next(home, {"--headless", "--fixed", "12.5", "--mask", "0.00"});
  ASSERT_TRUE(WaitFor([&] { return next.Stderr().find(home.Link().string()) != std::string::npos; }))
      << next.Stderr();
  EXPECT_NE(LinkInode(home), stale);
  LinkReader reader(home.Link());
  EXPECT_EQ(reader.Read(6 * 3), Repeat("12.50\r", 3)) << next.Stderr();
}

// Ten seconds of frames with nobody at the link: they are dropped, so neither the program nor
// its relay grows, and the first reader then starts with a whole frame.
TEST(HeadlessVirtualPortTest, NoReaderForTenSecondsKeepsMemoryFlat) {
  KestrovaHome home;
  KestrovaProcess kestrova(home, {"--headless"});
  ASSERT_TRUE(WaitFor([&] { return LinkUp(home); }));
  std::this_thread::sleep_for(1s);
  const pid_t relay = RelayOf(kestrova.Pid());
  ASSERT_GT(relay, 0);
  [[maybe_unused]] const long programBefore = StatusKilobytes(kestrova.Pid(), "VmRSS");
  const long relayBefore = StatusKilobytes(relay, "VmRSS");
  std::this_thread::sleep_for(10s);
  [[maybe_unused]] const long programAfter = StatusKilobytes(kestrova.Pid(), "VmRSS");
  const long relayAfter = StatusKilobytes(relay, "VmRSS");
  // 200 frames went nowhere; a buffer that kept them would not show in 1 MiB of pages, but
  // the reader below would see them.
#ifndef __SANITIZE_ADDRESS__
  // A sanitizer build keeps freed memory in quarantine, so the program's pages grow there
  // with every tick's short-lived objects; only the relay, which allocates nothing, is
  // measured then.
  EXPECT_LT(programAfter - programBefore, 1024) << programBefore << " -> " << programAfter;
#endif
  EXPECT_LT(relayAfter - relayBefore, 64) << relayBefore << " -> " << relayAfter;
  // No backlog waits at the link: at most the frame of a tick that came this very moment.
  LinkReader reader(home.Link());
  EXPECT_LE(reader.Available().size(), 9u);
  EXPECT_EQ(reader.Read(18), "_040000_\r_040000_\r");
}

}  // namespace
}  // namespace kestrova::testing
