// TComThread: the event thread of an open port, from the open sequence to the close sequence.
#pragma once

#include "comport/blocking_event.h"
#include "comport/com_types.h"
#include "comport/device/device_event.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace kestrova {

class TCustomComPort;

// Created by the port's open sequence on the port's thread, destroyed by its close sequence on
// the same thread; never reused. The thread waits on the port's device for the events of the
// port's Events and delivers each batch as the port's SyncMethod says: on the port's thread
// through a blocking call (smThreadSync) or one blocking message per event to the port's
// notification window (smWindowSync), or on the event thread itself (smNone).
//
// The destructor stops the thread and waits for it; while it waits it serves the deliveries the
// thread has posted, so closing during a delivery never deadlocks. An exception raised by a
// delivery ends the thread's work and is kept as FatalException; the port then gets no events
// until it is reopened. The body runs through the thread body guard (thread_guard.h).
class TComThread final {
 public:
  explicit TComThread(TCustomComPort& port);
  ~TComThread();
  TComThread(const TComThread&) = delete;
  TComThread& operator=(const TComThread&) = delete;

  // Read it only after the thread has ended (after destruction began, from the destructor's
  // caller, or when nothing can be delivered any more).
  std::exception_ptr FatalException() const;

 private:
  void Execute();
  void Deliver();
  void SendEventsToWindow();
  // Posts event to receiver (on the port's thread) and waits until it has been handled.
  void SendBlocking(QObject* receiver, std::unique_ptr<BlockingEvent> event, BlockingCompletion& completion);
  void SignalStop();
  // Waits for the thread to end, serving its posted deliveries meanwhile.
  void WaitServing();

  TCustomComPort& servedPort_;
  DeviceEvent stopEvent_{false};
  TComEvents pendingEvents_;
  CallReceiver syncReceiver_;  // lives on the port's thread

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool finished_ = false;
  QObject* postedTo_ = nullptr;  // a delivery waits there to be served
  std::exception_ptr fatalException_;
  std::thread thread_;  // last: started once everything above exists
};

}  // namespace kestrova
