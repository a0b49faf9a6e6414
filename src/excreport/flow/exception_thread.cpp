#include "excreport/flow/exception_thread.h"

#include <atomic>
#include <chrono>

#include "excreport/dialog/gui_bridge.h"

namespace kestrova {
namespace {

constexpr std::chrono::milliseconds kWaitStep{10};

// The thread that makes the current report, and its object.
std::atomic<TExceptionThread*> running{nullptr};
thread_local bool onReportThread = false;

void RunSwallowing(const std::function<void()>& call) {
  try {
    call();
  } catch (...) {
    // A pending call's failure is its own; the report goes on.
  }
}

}  // namespace

TExceptionThread::TExceptionThread(std::function<bool()> body) : body_(std::move(body)) {
  running.store(this);
  thread_ = std::thread([this] { RunBody(); });
}

TExceptionThread::~TExceptionThread() {
  if (thread_.joinable()) thread_.join();
  running.store(nullptr);
}

void TExceptionThread::RunBody() {
  onReportThread = true;
  bool result = true;
  try {
    result = body_();
  } catch (...) {
    result = true;
  }
  std::lock_guard lock(mutex_);
  result_ = result;
  finished_ = true;
  changed_.notify_all();
}

bool TExceptionThread::WaitForResult() {
  const bool gui = OnGuiThread();
  std::unique_lock lock(mutex_);
  while (!finished_) {
    if (pending_ != nullptr && !pendingDone_) {
      const std::function<void()>* call = pending_;
      lock.unlock();
      RunSwallowing(*call);
      lock.lock();
      pendingDone_ = true;
      changed_.notify_all();
      continue;
    }
    if (gui) {
      lock.unlock();
      PumpGuiEvents();
      lock.lock();
      if (finished_ || (pending_ != nullptr && !pendingDone_)) continue;
    }
    changed_.wait_for(lock, kWaitStep);
  }
  lock.unlock();
  thread_.join();
  return result_;
}

void TExceptionThread::Hand(const std::function<void()>& call) {
  std::unique_lock lock(mutex_);
  pending_ = &call;
  pendingDone_ = false;
  changed_.notify_all();
  // The report thread waits in 10 ms steps until the exception thread has run the call.
  while (!pendingDone_) changed_.wait_for(lock, kWaitStep);
  pending_ = nullptr;
}

void TExceptionThread::RunOnExceptionThread(const std::function<void()>& call) {
  TExceptionThread* thread = running.load();
  if (thread == nullptr || !onReportThread) {
    RunSwallowing(call);
    return;
  }
  thread->Hand(call);
}

}  // namespace kestrova
