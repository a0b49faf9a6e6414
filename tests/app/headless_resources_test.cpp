// 10,000 headless ticks on a virtual port: the program's descriptors and threads stay flat
// (each tick opens the port and starts its event thread, and closes both again).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "kestrova_process.h"

namespace kestrova::testing {
namespace {

std::size_t Entries(const fs::path& folder) {
  std::error_code ec;
  std::size_t count = 0;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    ++count;
  return count;
}

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct Usage {
  std::size_t fds = 0;
  std::size_t threads = 0;
};

// The largest counts seen over a few samples: a sample may fall inside a tick, while the
// port and its thread are open, or between ticks.
Usage Sample(pid_t pid) {
  Usage most;
  const fs::path proc = "/proc/" + std::to_string(pid);
  for (int i = 0; i < 30; ++i) {
    most.fds = std::max(most.fds, Entries(proc / "fd"));
    most.threads = std::max(most.threads, Entries(proc / "task"));
    std::this_thread::sleep_for(3ms);
  }
  return most;
}

TEST(HeadlessResourcesTest, TenThousandTicksKeepDescriptorsAndThreadsFlat) {
  KestrovaHome home;
  KestrovaProcess kestrova(home, {"--headless", "--interval", "1", "--count", "10000"});
  ASSERT_TRUE(WaitFor([&] { return Lines(kestrova.Stdout()) >= 500; }, 60s)) << kestrova.Stderr();
  const Usage early = Sample(kestrova.Pid());
  ASSERT_TRUE(WaitFor([&] { return Lines(kestrova.Stdout()) >= 9000; }, 240s)) << Lines(kestrova.Stdout());
  const Usage late = Sample(kestrova.Pid());
  EXPECT_EQ(kestrova.Wait(), 0) << kestrova.Stderr();
  EXPECT_EQ(Lines(kestrova.Stdout()), 10000u);
  EXPECT_LE(late.fds, early.fds);
  EXPECT_LE(late.threads, early.threads);
  EXPECT_GT(early.fds, 0u);
}

}  // namespace
}  // namespace kestrova::testing
