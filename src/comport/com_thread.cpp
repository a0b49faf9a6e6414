#include "comport/com_thread.h"

#include "comport/custom_com_port.h"
#include "comport/notification_window.h"
#include "comport/port_records.h"
#include "comport/thread_guard.h"

#include <QCoreApplication>

namespace kestrova {
namespace {

// After a failed comm wait: the pause before the next, so that a device that keeps failing
// cannot spin the thread.
constexpr int kRetryAfterFailureMs = 15;

}  // namespace

TComThread::TComThread(TCustomComPort& port) : servedPort_(port) {
  // Its result is not examined: a device that refuses the mask simply reports no events.
  port.Device()->SetCommMask(EventsToMask(port.Events()));
  thread_ = std::thread([this] {
    try {
      RunThroughThreadBodyGuard([this] { Execute(); });
    } catch (...) {
      std::lock_guard lock(mutex_);
      fatalException_ = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
  });
}

TComThread::~TComThread() {
  SignalStop();
  WaitServing();
  thread_.join();
}

std::exception_ptr TComThread::FatalException() const {
  std::lock_guard lock(mutex_);
  return fatalException_;
}

void TComThread::SignalStop() {
  stopEvent_.Set();
  std::this_thread::yield();
}

void TComThread::WaitServing() {
  std::unique_lock lock(mutex_);
  while (!finished_) {
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
  ComDevice* device = servedPort_.Device();
  // The end steps run however the loop ends: no mask, both queues emptied.
  struct EndSteps {
    ComDevice* device;
    ~EndSteps() {
      device->SetCommMask(0);
      device->Purge(PURGE_TXCLEAR | PURGE_RXCLEAR);
    }
  } endSteps{device};
  while (true) {
    std::uint32_t mask = 0;
    int result = device->WaitCommEvent(mask, stopEvent_);
    if (result == kWaitStopped) break;
    if (result != 0) {
      if (stopEvent_.Wait(kRetryAfterFailureMs)) break;
      continue;
    }
    pendingEvents_ = MaskToEvents(mask);
    if (!pendingEvents_.Empty()) Deliver();
  }
}

void TComThread::Deliver() {
  switch (servedPort_.SyncMethod()) {
    case TSyncMethod::smThreadSync: {
      BlockingCompletion completion;
      SendBlocking(&syncReceiver_,
                   std::make_unique<CallEvent>([this] { servedPort_.RunEventHandlers(pendingEvents_); }, completion),
                   completion);
      break;
    }
    case TSyncMethod::smWindowSync:
      SendEventsToWindow();
      break;
    case TSyncMethod::smNone:
      servedPort_.RunEventHandlers(pendingEvents_);
      break;
  }
}

void TComThread::SendEventsToWindow() {
  QObject* window = servedPort_.NotifyWindow();
  if (window == nullptr) return;
  for (TComEvent event : kEventDeliveryOrder) {
    if (!pendingEvents_.Contains(event)) continue;
    BlockingCompletion completion;
    SendBlocking(window, std::make_unique<WindowMessage>(WM_PORTEVENT, EventMaskBit(event), 0, completion),
                 completion);
  }
}

void TComThread::SendBlocking(QObject* receiver, std::unique_ptr<BlockingEvent> event, BlockingCompletion& completion) {
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
