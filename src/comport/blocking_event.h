// BlockingEvent: an event posted to an object on another thread whose poster waits until the
// object has handled it; CallEvent and CallReceiver run a function that way.
#pragma once

#include <QEvent>
#include <QObject>

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

namespace kestrova {

// Qt hands a posted event to the receiving thread under a lock of its own, which
// ThreadSanitizer cannot see (Qt is not built with it). Posters publish the event through this
// release/acquire pair as well, so the hand-over is visible to the tool: PublishPostedEvent after
// making the event and before posting it, AcquirePostedEvent first thing in the receiver's event().
void PublishPostedEvent();
void AcquirePostedEvent();

// What the poster waits on. Lives on the poster's stack until Wait returns.
class BlockingCompletion final {
 public:
  // Blocks until the event has been handled (or dropped); rethrows what its handling raised.
  void Wait();
  void Finish(std::exception_ptr error);

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::exception_ptr error_;
};

// The receiver handles it with Serve. An event that is destroyed unhandled (its receiver went
// first) releases the poster too, so a poster never waits for ever.
class BlockingEvent : public QEvent {
 public:
  BlockingEvent(Type type, BlockingCompletion& completion) : QEvent(type), completion_(completion) {}
  ~BlockingEvent() override;
  BlockingEvent(const BlockingEvent&) = delete;
  BlockingEvent& operator=(const BlockingEvent&) = delete;

  // Runs work on the receiver's thread; an exception it raises is handed back to the poster.
  void Serve(const std::function<void()>& work);

 private:
  BlockingCompletion& completion_;
  bool served_ = false;
};

// A function to run on the receiver's thread.
class CallEvent final : public BlockingEvent {
 public:
  static QEvent::Type EventType();
  CallEvent(std::function<void()> call, BlockingCompletion& completion)
      : BlockingEvent(EventType(), completion), call_(std::move(call)) {}
  void Run() { Serve(call_); }

 private:
  std::function<void()> call_;
};

// Runs the CallEvents posted to it on its own thread (the thread that created it).
class CallReceiver final : public QObject {
 public:
  bool event(QEvent* e) override;
};

}  // namespace kestrova
