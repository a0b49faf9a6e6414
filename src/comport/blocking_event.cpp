#include "comport/blocking_event.h"

#include <atomic>
#include <cstdint>

namespace kestrova {
namespace {

std::atomic<std::uint64_t> postedEvents{0};

}  // namespace

void PublishPostedEvent() { postedEvents.fetch_add(1, std::memory_order_release); }

void AcquirePostedEvent() { (void)postedEvents.load(std::memory_order_acquire); }

void BlockingCompletion::Wait() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return finished_; });
  if (error_) std::rethrow_exception(error_);
}

void BlockingCompletion::Finish(std::exception_ptr error) {
  std::lock_guard lock(mutex_);
  finished_ = true;
  error_ = std::move(error);
  done_.notify_all();
}

BlockingEvent::~BlockingEvent() {
  if (!served_) completion_.Finish(nullptr);
}

void BlockingEvent::Serve(const std::function<void()>& work) {
  served_ = true;
  std::exception_ptr error;
  try {
    work();
  } catch (...) {
    error = std::current_exception();
  }
  // The poster may return and free the completion as soon as this has run.
  completion_.Finish(std::move(error));
}

QEvent::Type CallEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool CallReceiver::event(QEvent* e) {
  AcquirePostedEvent();
  if (e->type() != CallEvent::EventType()) return QObject::event(e);
  static_cast<CallEvent*>(e)->Run();
  return true;
}

}  // namespace kestrova
