// TComThread: the event thread of a port, kept from the port's first open with events to the
// port's destruction, with one wait per open.
#pragma once

#include "comport/blocking_event.h"
#include "comport/com_types.h"
#include "comport/device/com_device.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace kestrova {

class TCustomComPort;

// Created by the port's open sequence and destroyed with the port, on the port's thread. Each
// open starts a wait (StartWait) and its close ends it (EndWait); in between the open device
// reports the events of the port's Events to this object, and the thread delivers each batch as
// the port's SyncMethod says: on the port's thread through a blocking call (smThreadSync) or one
// blocking message per event to the port's notification window (smWindowSync), or on the event
// thread itself (smNone). The thread sleeps while nothing is to be delivered; between opens it
// costs nothing but its stack. Events that the port's own thread finds (its write empties the
// output queue at once) and that would reach nobody (TCustomComPort::EventsWithReceivers) are
// dropped there, without waking the thread.
//
// EndWait returns once nothing of the wait can be delivered any more: it waits for a delivery in
// progress, serving what the thread has posted, unless it was called from inside that delivery
// (a handler closing the port), which then stops after the running event. An exception raised by
// a delivery ends the thread; it is kept as FatalException, nothing more is delivered, and the
// port makes a new thread at its next open. The body runs through the thread body guard
// (thread_guard.h) that was installed when the thread was made.
class TComThread final : private CommEventSink {
 public:
  // Raises std::system_error when no thread can be started.
  explicit TComThread(TCustomComPort& port);
  ~TComThread();
  TComThread(const TComThread&) = delete;
  TComThread& operator=(const TComThread&) = delete;

  // A new wait on the port's open device for the events of mask; window receives the
  // messages under smWindowSync.
  void StartWait(std::uint32_t mask, QObject* window);
  // Ends the wait; then clears the device's mask and empties both its queues.
  void EndWait();
  // Returns once no delivery is running (serving what the thread has posted meanwhile): one
  // whose handler closed the port may still be on its way out.
  void AwaitDeliveryEnd();
  // The thread has ended (after a delivery raised); it delivers nothing any more.
  bool Ended() const;
  std::exception_ptr FatalException() const;

 private:
  void CommEventsOccurred(std::uint32_t events) override;
  void Execute();
  void Deliver(TComEvents events, std::uint64_t wait);
  void SendEventsToWindow(TComEvents events, std::uint64_t wait);
  // Posts event to receiver (on the port's thread) and waits until it has been handled.
  void SendBlocking(QObject* receiver, std::unique_ptr<BlockingEvent> event, BlockingCompletion& completion);
  // Waits (lock held) until pred holds, serving the deliveries the thread has posted meanwhile.
  template <typename Pred>
  void WaitServing(std::unique_lock<std::mutex>& lock, Pred pred);

  TCustomComPort& servedPort_;
  CallReceiver syncReceiver_;  // lives on the port's thread

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t wait_ = 0;     // the current wait; each start and end begins a new number
  bool waiting_ = false;       // a wait is running
  std::uint32_t pending_ = 0;  // events reported and not yet taken
  bool delivering_ = false;
  bool quit_ = false;
  bool ended_ = false;
  QObject* window_ = nullptr;
  QObject* postedTo_ = nullptr;  // a delivery waits there to be served
  std::atomic<std::thread::id> owner_;  // the thread that started the wait, the port's
  std::exception_ptr fatalException_;
  std::thread thread_;  // last: started once everything above exists
};

}  // namespace kestrova
