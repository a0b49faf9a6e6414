#include "excreport/capture/freeze_thread.h"

#include "excreport/capture/process_threads.h"

namespace kestrova {
namespace {

std::chrono::steady_clock::rep Now() {
  return std::chrono::steady_clock::now().time_since_epoch().count();
}

}  // namespace

FreezeThread::FreezeThread(std::chrono::milliseconds hangTimeout, FreezeCallback onFreeze,
                           pid_t watchedThread)
    : hangTimeout_(hangTimeout),
      onFreeze_(std::move(onFreeze)),
      watchedThread_(watchedThread != 0 ? watchedThread : CurrentThreadId()),
      lastBeat_(Now()),
      thread_([this] { Run(); }) {}

FreezeThread::~FreezeThread() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wakeUp_.notify_all();
  thread_.join();
}

void FreezeThread::Heartbeat() noexcept { lastBeat_.store(Now(), std::memory_order_relaxed); }

void FreezeThread::Run() {
  const auto timeout =
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(hangTimeout_).count();
  bool reported = false;
  std::unique_lock lock(mutex_);
  while (!wakeUp_.wait_for(lock, kCheckInterval, [this] { return stopping_; })) {
    const bool frozen = Now() - lastBeat_.load(std::memory_order_relaxed) >= timeout;
    if (!frozen) {
      reported = false;
    } else if (!reported) {
      reported = true;
      lock.unlock();
      ReportFreeze();
      lock.lock();
    }
  }
}

void FreezeThread::ReportFreeze() {
  try {
    ParkedThread stack;
    {
      ThreadParker parker({watchedThread_}, kDefaultParkDeadline);
      if (parker.Threads().empty()) return;  // the watched thread has ended
      stack = parker.Threads().front();
    }
    onFreeze_(stack);
  } catch (...) {
    // The watchdog keeps watching whatever the report did.
  }
}

}  // namespace kestrova
