// TExceptionThread: the thread that makes the report while the thread that raised the exception
// waits, and the pending call through which the report runs code on that waiting thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrova {

// Created by the handling entry on the thread that raised the exception (the exception
// thread); starts `body` (the report procedure) at once. The exception thread then calls
// WaitForResult, which runs the pending calls the report hands over and, on the GUI thread,
// keeps its events flowing, until the body has ended. One exists at a time: the handling flow
// creates it under its handler lock.
class TExceptionThread final {
 public:
  // `body` answers "not taken"; when it throws, the answer is true (not taken).
  explicit TExceptionThread(std::function<bool()> body);
  // Waits for the body's end.
  ~TExceptionThread();

  TExceptionThread(const TExceptionThread&) = delete;
  TExceptionThread& operator=(const TExceptionThread&) = delete;

  // On the exception thread: every 10 ms (or as soon as there is one) runs the pending call,
  // and on the GUI thread pumps its events with keyboard and mouse input dropped. Returns the
  // body's answer once it has ended.
  bool WaitForResult();

  // On the report thread: hands `call` to the waiting exception thread and returns once it has
  // run there (its exceptions are swallowed). Anywhere else, and when no report thread runs,
  // `call` runs directly.
  static void RunOnExceptionThread(const std::function<void()>& call);

 private:
  void RunBody();
  void Hand(const std::function<void()>& call);

  std::function<bool()> body_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const std::function<void()>* pending_ = nullptr;
  bool pendingDone_ = false;
  bool finished_ = false;
  bool result_ = true;
  std::thread thread_;
};

}  // namespace kestrova
