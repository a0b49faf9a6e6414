#include "excreport/capture/freeze_thread.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

#include "excreport/capture/function_range.h"
#include "excreport/capture/process_threads.h"

namespace kestrova::testing {

// The "GUI thread" of the freeze test hangs here, reading a pipe nobody writes to yet.
__attribute__((noinline)) void HangInRead(int fd) {
  char byte = 0;
  [[maybe_unused]] ssize_t n = ::read(fd, &byte, 1);
  asm volatile("");
}

namespace {

using namespace std::chrono_literals;

TEST(FreezeThread, ReportsAThreadWhoseHeartbeatStopped) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  std::promise<pid_t> guiId;
  std::thread gui([&] {
    guiId.set_value(CurrentThreadId());
    HangInRead(pipeFds[0]);
  });
  const pid_t guiThread = guiId.get_future().get();

  std::promise<ParkedThread> reported;
  std::atomic<int> calls{0};
  {
    FreezeThread watchdog(
        300ms,
        [&](const ParkedThread& stack) {
          if (calls++ == 0) reported.set_value(stack);
        },
        guiThread);
    auto report = reported.get_future();
    ASSERT_EQ(report.wait_for(20s), std::future_status::ready);
    const ParkedThread stack = report.get();
    EXPECT_EQ(stack.ThreadId, guiThread);
    EXPECT_TRUE(stack.Answered);
    EXPECT_GE(FrameIndexIn(stack.Frames, reinterpret_cast<void*>(&HangInRead), true, 12), 0);
    // The same freeze is reported once, however long it lasts.
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(calls.load(), 1);
  }
  // The watched thread was released after its stack was taken.
  ASSERT_EQ(::write(pipeFds[1], "x", 1), 1);
  gui.join();
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
}

TEST(FreezeThread, StaysQuietWhileTheHeartbeatGoesOn) {
  std::atomic<int> calls{0};
  {
    FreezeThread watchdog(1s, [&](const ParkedThread&) { ++calls; });
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (std::chrono::steady_clock::now() < end) {
      watchdog.Heartbeat();
      std::this_thread::sleep_for(10ms);
    }
  }
  EXPECT_EQ(calls.load(), 0);
}

}  // namespace
}  // namespace kestrova::testing
