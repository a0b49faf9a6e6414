// The freeze watchdog: notices a GUI thread that stopped ticking its heartbeat.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "excreport/capture/thread_parker.h"

namespace kestrova {

// A watchdog thread that checks every 50 ms when the watched thread last called Heartbeat().
// Once `hangTimeout` has passed without one, it parks the watched thread just long enough to
// take its stack (ThreadParker), releases it, and calls `onFreeze` with that stack on the
// watchdog thread. It then waits for the heartbeat to come back before it can fire again, so
// that one freeze gives one report.
//
// Heartbeat() may be called from any thread, normally the GUI thread from a periodic timer.
// Exceptions from `onFreeze` are swallowed. The destructor stops the watchdog and joins it;
// it waits for a callback under way to return.
class FreezeThread final {
 public:
  using FreezeCallback = std::function<void(const ParkedThread& watchedThread)>;

  static constexpr std::chrono::milliseconds kCheckInterval{50};

  // Starts watching `watchedThread` (by default the constructing thread); the clock starts now.
  FreezeThread(std::chrono::milliseconds hangTimeout, FreezeCallback onFreeze,
               pid_t watchedThread = 0);
  ~FreezeThread();

  FreezeThread(const FreezeThread&) = delete;
  FreezeThread& operator=(const FreezeThread&) = delete;

  void Heartbeat() noexcept;

 private:
  void Run();
  void ReportFreeze();

  const std::chrono::milliseconds hangTimeout_;
  const FreezeCallback onFreeze_;
  const pid_t watchedThread_;
  std::atomic<std::chrono::steady_clock::rep> lastBeat_;
  std::mutex mutex_;
  std::condition_variable wakeUp_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace kestrova
