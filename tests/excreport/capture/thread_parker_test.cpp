#include "excreport/capture/thread_parker.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "excreport/capture/function_range.h"
#include "excreport/capture/process_threads.h"

namespace kestrova::testing {

std::atomic<long> bytesRead{0};

// Where each worker waits: one function per worker, so stacks cannot be mixed up unnoticed.
template <int N>
__attribute__((noinline)) void BlockInRead(int fd) {
  char byte = 0;
  bytesRead += ::read(fd, &byte, 1);
  asm volatile("");
}

namespace {

using namespace std::chrono_literals;

constexpr auto kGenerous = 10s;

// A thread blocked in BlockInRead<N> on its own pipe until Wake().
class Worker {
 public:
  template <int N>
  static std::unique_ptr<Worker> Start(int nice = 0, bool blockParkSignal = false) {
    auto worker = std::make_unique<Worker>();
    Worker* self = worker.get();
    EXPECT_EQ(::pipe(self->pipe_), 0);
    self->function_ = reinterpret_cast<void*>(&BlockInRead<N>);
    self->thread_ = std::thread([self, nice, blockParkSignal] {
      if (blockParkSignal) {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, ThreadParkSignal());
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
      }
      pthread_setname_np(pthread_self(), ("worker-" + std::to_string(N)).c_str());
      if (nice != 0) ::setpriority(PRIO_PROCESS, CurrentThreadId(), nice);
      self->id_.set_value(CurrentThreadId());
      BlockInRead<N>(self->pipe_[0]);
      if (blockParkSignal) {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, ThreadParkSignal());
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);  // the late signal arrives here
      }
      self->done_ = true;
    });
    self->tid_ = self->id_.get_future().get();
    return worker;
  }
  ~Worker() {
    Wake();
    if (thread_.joinable()) thread_.join();
    ::close(pipe_[0]);
    ::close(pipe_[1]);
  }
  void Wake() {
    if (!woken_) {
      EXPECT_EQ(::write(pipe_[1], "x", 1), 1);
    }
    woken_ = true;
  }
  bool FinishesWithin(std::chrono::steady_clock::duration limit) const {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done_ && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(5ms);
    return done_;
  }
  // Waits until the worker sits in its read: /proc's syscall file then names system call 0.
  void AwaitBlocked() const {
    const std::string path = "/proc/self/task/" + std::to_string(tid_) + "/syscall";
    const auto end = std::chrono::steady_clock::now() + kGenerous;
    while (std::chrono::steady_clock::now() < end) {
      std::ifstream file(path);
      std::string number;
      file >> number;
      if (number == "0") return;
      std::this_thread::sleep_for(5ms);
    }
    ADD_FAILURE() << "worker never blocked in read";
  }

  pid_t tid_ = 0;
  void* function_ = nullptr;
  std::atomic<bool> done_{false};

 private:
  int pipe_[2] = {-1, -1};
  bool woken_ = false;
  std::promise<pid_t> id_;
  std::thread thread_;
};

const ParkedThread* Find(const ThreadParker& parker, pid_t id) {
  for (const ParkedThread& thread : parker.Threads())
    if (thread.ThreadId == id) return &thread;
  return nullptr;
}

TEST(ThreadParker, ParksOtherThreadsWithTheirStacksUntilReleased) {
  // Threads inherit the test's own nice value (CI may run it under nice); worker 2 differs.
  const int inherited = ::getpriority(PRIO_PROCESS, 0);
  const int raised = inherited < 19 ? inherited + 1 : 18;
  std::unique_ptr<Worker> workers[] = {Worker::Start<1>(), Worker::Start<2>(raised),
                                       Worker::Start<3>()};
  for (auto& worker : workers) worker->AwaitBlocked();
  {
    ThreadParker parker(kGenerous);
    EXPECT_EQ(Find(parker, CurrentThreadId()), nullptr) << "the caller is never parked";
    for (auto& worker : workers) {
      const ParkedThread* thread = Find(parker, worker->tid_);
      ASSERT_NE(thread, nullptr);
      EXPECT_TRUE(thread->Answered);
      EXPECT_GE(FrameIndexIn(thread->Frames, worker->function_, true, 12), 0)
          << "worker " << thread->Name;
    }
    EXPECT_EQ(Find(parker, workers[1]->tid_)->Name, "worker-2");
    EXPECT_EQ(Find(parker, workers[1]->tid_)->Priority, raised);
    EXPECT_EQ(Find(parker, workers[0]->tid_)->Priority, inherited);
    // Parked in the handler, a worker cannot return from its read even with data there.
    for (auto& worker : workers) worker->Wake();
    std::this_thread::sleep_for(100ms);
    for (auto& worker : workers) EXPECT_FALSE(worker->done_);
  }
  for (auto& worker : workers) EXPECT_TRUE(worker->FinishesWithin(kGenerous));
}

TEST(ThreadParker, ReleasesWhenTheCollectingCodeThrows) {
  std::unique_ptr<Worker> workers[] = {Worker::Start<1>(), Worker::Start<2>(),
                                       Worker::Start<3>()};
  for (auto& worker : workers) worker->AwaitBlocked();
  try {
    ThreadParker parker({workers[0]->tid_, workers[1]->tid_, workers[2]->tid_}, kGenerous);
    ASSERT_EQ(parker.Threads().size(), 3u);
    for (auto& worker : workers) worker->Wake();
    throw std::runtime_error("report failed");
  } catch (const std::runtime_error&) {
  }
  for (auto& worker : workers) EXPECT_TRUE(worker->FinishesWithin(kGenerous));
}

TEST(ThreadParker, SkipsAThreadThatNeverAnswersAfterTheDeadline) {
  auto silent = Worker::Start<1>(0, true);
  auto answering = Worker::Start<2>();
  silent->AwaitBlocked();
  answering->AwaitBlocked();
  {
    ThreadParker parker({silent->tid_, answering->tid_}, 300ms);
    ASSERT_EQ(parker.Threads().size(), 2u);
    EXPECT_FALSE(Find(parker, silent->tid_)->Answered);
    EXPECT_TRUE(Find(parker, silent->tid_)->Frames.empty());
    EXPECT_EQ(Find(parker, silent->tid_)->Name, "worker-1");
    EXPECT_TRUE(Find(parker, answering->tid_)->Answered);
  }
  // The silent thread takes its pending signal late, after the parker is gone, and goes on.
  silent->Wake();
  answering->Wake();
  EXPECT_TRUE(silent->FinishesWithin(kGenerous));
  EXPECT_TRUE(answering->FinishesWithin(kGenerous));
}

}  // namespace
}  // namespace kestrova::testing
