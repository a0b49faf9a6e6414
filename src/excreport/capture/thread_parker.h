// Pauses other threads of this process in a signal handler and reads their stacks.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "excreport/capture/stack_walker.h"

namespace kestrova {

// One thread as a report shows it.
struct ParkedThread {
  pid_t ThreadId = 0;
  std::string Name;   // /proc/self/task/TID/comm
  int Priority = 0;   // nice value, -20 (highest) .. 19 (lowest)
  bool Answered = false;  // false: no answer before the deadline; Frames is then empty
  StackAddresses Frames;  // frame 0: where the thread was interrupted
};

inline constexpr std::chrono::milliseconds kDefaultParkDeadline{2000};

// The real-time signal that parks a thread. A thread that blocks it is never parked.
int ThreadParkSignal();

// Parks threads: each one gets the park signal (tgkill), its handler records the thread's own
// stack into a slot prepared beforehand, acknowledges and waits until this object is destroyed.
// Threads that have not answered by the deadline are reported as not answered and are not
// waited for; if the signal reaches them later, their handler returns at once.
//
// While parked, a thread holds whatever locks it held when it was interrupted, so the code
// that runs during parking must not wait for other threads; allocation is the one risk left
// (a thread interrupted inside the allocator). The constructor itself allocates nothing while
// threads are parked.
//
// One parker exists at a time in the process (a second constructor waits). The calling thread
// is never parked. Destruction releases every parked thread and returns once each has left
// its handler, also when the code that used the parker left through an exception.
class ThreadParker final {
 public:
  // Parks every other thread of the process.
  explicit ThreadParker(std::chrono::milliseconds deadline = kDefaultParkDeadline);
  // Parks the listed threads only.
  ThreadParker(const std::vector<pid_t>& threadIds, std::chrono::milliseconds deadline);
  ~ThreadParker();

  ThreadParker(const ThreadParker&) = delete;
  ThreadParker& operator=(const ThreadParker&) = delete;

  // The threads asked, in thread ID order; threads that ended before they were asked are left
  // out.
  const std::vector<ParkedThread>& Threads() const { return threads_; }

 private:
  void Park(const std::vector<pid_t>& threadIds, std::chrono::milliseconds deadline);
  void Release();

  std::unique_lock<std::mutex> exclusive_;
  std::vector<ParkedThread> threads_;
};

}  // namespace kestrova
