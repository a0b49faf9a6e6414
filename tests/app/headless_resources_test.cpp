// 10,000 headless ticks on a virtual port: the program's descriptors and threads stay flat
// (each tick opens the port and starts its event thread, and closes both again).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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

// The counts at rest, between ticks: the least seen over many samples, since a sample may
// fall inside a tick, while the port, its event thread and the port map file are open. A leak
// raises the resting count for good.
Usage Sample(pid_t pid) {
  Usage least{.fds = SIZE_MAX, .threads = SIZE_MAX};
  const fs::path proc = "/proc/" + std::to_string(pid);
  for (int i = 0; i < 200; ++i) {
    least.fds = std::min(least.fds, Entries(proc / "fd"));
    least.threads = std::min(least.threads, Entries(proc / "task"));
    std::this_thread::sleep_for(1ms);
  }
  return least;
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
