#include "excreport/capture/guarded_thread_body.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <stdexcept>
#include <thread>

#include "excreport/capture/process_threads.h"
#include "excreport/report/exception_class_info.h"

namespace kestrova {
namespace {

struct Seen {
  int calls = 0;
  pid_t threadId = 0;
  std::uint8_t raiserKind = 255;
  std::string className;
  bool bodyReturnedToCaller = false;
};

// Runs the body in a thread of its own through the guard and tells what the callback saw.
Seen RunInThread(std::function<void()> body, bool callbackThrows = false) {
  Seen seen;
  pid_t bodyThread = 0;
  std::thread thread([&] {
    bodyThread = CurrentThreadId();
    RunGuardedThreadBody(body, [&](std::exception_ptr exception, std::uint8_t kind) {
      ++seen.calls;
      seen.threadId = CurrentThreadId();
      seen.raiserKind = kind;
      seen.className = DescribeException(exception)->Name;
      if (callbackThrows) throw std::runtime_error("report failed");
    });
    seen.bodyReturnedToCaller = true;
  });
  thread.join();
  if (seen.calls > 0) {
    EXPECT_EQ(seen.threadId, bodyThread);
  }
  return seen;
}

TEST(GuardedThreadBody, ReportsWhatEscapesOnTheThreadAndEndsItNormally) {
  struct Case {
    std::function<void()> body;
    bool callbackThrows;
    const char* className;
  } cases[] = {
      {[] { throw std::out_of_range("index"); }, false, "out_of_range"},
      {[] { throw 7; }, false, "int"},
      {[] { throw std::runtime_error("x"); }, true, "runtime_error"},
  };
  for (const Case& c : cases) {
    const Seen seen = RunInThread(c.body, c.callbackThrows);
    EXPECT_EQ(seen.calls, 1) << c.className;
    EXPECT_EQ(seen.raiserKind, kThreadBodyRaiserKind);
    EXPECT_EQ(seen.className, c.className);
    EXPECT_TRUE(seen.bodyReturnedToCaller);
  }
}

TEST(GuardedThreadBody, QuietBodiesAndThreadExitPassThrough) {
  const Seen quiet = RunInThread([] {});
  EXPECT_EQ(quiet.calls, 0);
  EXPECT_TRUE(quiet.bodyReturnedToCaller);
  // pthread_exit unwinds with a forced unwind that the guard must not swallow.
  const Seen exited = RunInThread([] { pthread_exit(nullptr); });
  EXPECT_EQ(exited.calls, 0);
  EXPECT_FALSE(exited.bodyReturnedToCaller);
}

}  // namespace
}  // namespace kestrova
