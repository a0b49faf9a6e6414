#include "comport/com_thread.h"

#include "comport/custom_com_port.h"
#include "comport/notification_window.h"
#include "comport/port_records.h"
#include "comport/thread_guard.h"

#include <QCoreApplication>

#include <utility>

namespace kestrova {

TComThread::TComThread(TCustomComPort& port) : servedPort_(port) {
  // The guard of the moment the thread is made, whenever the thread gets to run.
  const ThreadBodyGuard guard = CurrentThreadBodyGuard();
  thread_ = std::thread([this, guard] {
    try {
      guard([this] { Execute(); });
    } catch (...) {
      std::lock_guard lock(mutex_);
      fatalException_ = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
    delivering_ = false;
    changed_.notify_all();
  });
}

TComThread::~TComThread() {
  {
    std::unique_lock lock(mutex_);
    quit_ = true;
    changed_.notify_all();
    WaitServing(lock, [this] { return ended_; });
  }
  thread_.join();
}

void TComThread::StartWait(std::uint32_t mask, QObject* window) {
  owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  {
    std::lock_guard lock(mutex_);
    ++wait_;
    waiting_ = true;
    pending_ = 0;
    window_ = window;
  }
  // Its result is not examined: a device that refuses the mask simply reports no events.
  servedPort_.Device()->SetCommMask(mask, this);
}

void TComThread::EndWait() {
  ComDevice* device = servedPort_.Device();
  device->SetCommMask(0, nullptr);  // nothing more is reported
  {
    std::unique_lock lock(mutex_);
    waiting_ = false;
    pending_ = 0;
    // A handler that closes its own port runs inside the delivery: waiting for it would never end.
    if (!servedPort_.ProcessingOnThisThread()) WaitServing(lock, [this] { return !delivering_; });
    ++wait_;  // a delivery still running stops after its current event
  }
  device->Purge(PURGE_TXCLEAR | PURGE_RXCLEAR);
}

void TComThread::AwaitDeliveryEnd() {
  std::unique_lock lock(mutex_);
  WaitServing(lock, [this] { return !delivering_; });
}

bool TComThread::Ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

std::exception_ptr TComThread::FatalException() const {
  std::lock_guard lock(mutex_);
  return fatalException_;
}

void TComThread::CommEventsOccurred(std::uint32_t events) {
  // Found on the port's own thread (by its write, say), where the handlers may be read: what
  // would reach nobody is not delivered, which spares waking the thread for it.
  if (std::this_thread::get_id() == owner_.load(std::memory_order_relaxed)) {
    events = EventsToMask(servedPort_.EventsWithReceivers(MaskToEvents(events)));
    if (events == 0) return;
  }
  {
    std::lock_guard lock(mutex_);
    if (!waiting_ || ended_) return;
    const bool wasIdle = pending_ == 0;
    pending_ |= events;
    if (!wasIdle) return;  // the thread has been told already
  }
  // Outside the lock, so that the woken thread does not at once wait for it.
  changed_.notify_all();
}

template <typename Pred>
void TComThread::WaitServing(std::unique_lock<std::mutex>& lock, Pred pred) {
  while (!pred()) {
    if (QObject* receiver = std::exchange(postedTo_, nullptr)) {
      lock.unlock();
      QCoreApplication::sendPostedEvents(receiver);
      lock.lock();
    } else {
      changed_.wait(lock);
    }
  }
}

void TComThread::Execute() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return quit_ || (waiting_ && pending_ != 0); });
    if (quit_) return;
    const TComEvents events = MaskToEvents(std::exchange(pending_, 0));
    const std::uint64_t wait = wait_;
    delivering_ = true;
    lock.unlock();
    try {
      if (!events.Empty()) Deliver(events, wait);
    } catch (...) {
      lock.lock();
      ended_ = true;  // nothing more is delivered; a close no longer waits
      delivering_ = false;
      changed_.notify_all();
      throw;
    }
    lock.lock();
    delivering_ = false;
    changed_.notify_all();
  }
}

void TComThread::Deliver(TComEvents events, std::uint64_t wait) {
  switch (servedPort_.SyncMethod()) {
    case TSyncMethod::smThreadSync: {
      BlockingCompletion completion;
      SendBlocking(&syncReceiver_,
                   std::make_unique<CallEvent>([this, events] { servedPort_.RunEventHandlers(events); }, completion),
                   completion);
      break;
    }
    case TSyncMethod::smWindowSync:
      SendEventsToWindow(events, wait);
      break;
    case TSyncMethod::smNone:
      servedPort_.RunEventHandlers(events);
      break;
  }
}

void TComThread::SendEventsToWindow(TComEvents events, std::uint64_t wait) {
  for (TComEvent event : kEventDeliveryOrder) {
    if (!events.Contains(event)) continue;
    QObject* window;
    {
      std::lock_guard lock(mutex_);
      if (wait_ != wait || window_ == nullptr) return;  // the port was closed by a handler
      window = window_;
    }
    BlockingCompletion completion;
    SendBlocking(window, std::make_unique<WindowMessage>(WM_PORTEVENT, EventMaskBit(event), 0, completion), completion);
  }
}

void TComThread::SendBlocking(QObject* receiver, std::unique_ptr<BlockingEvent> event, BlockingCompletion& completion) {
  PublishPostedEvent();
  QCoreApplication::postEvent(receiver, event.release());
  {
    // Only after the post: a close that is waiting serves what it finds posted.
    std::lock_guard lock(mutex_);
    postedTo_ = receiver;
    changed_.notify_all();
  }
  completion.Wait();
}

}  // namespace kestrova
