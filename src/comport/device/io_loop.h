// IoLoop: the one process-wide thread that moves the bytes of every open POSIX serial device.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace kestrova {

using IoClock = std::chrono::steady_clock;

// What a source waits for next: epoll events on its descriptor (0: none) and a time at which
// it is serviced whatever happened (max: none).
struct IoInterest {
  std::uint32_t events = 0;
  IoClock::time_point deadline = IoClock::time_point::max();
};

// A descriptor served by the loop. Service runs on the loop thread when the descriptor is ready
// (ready: its epoll bits) or the deadline has come (ready: 0); it says what it waits for next
// through IoLoop::Arm.
class IoSource {
 public:
  virtual void Service(std::uint32_t ready) = 0;

 protected:
  ~IoSource() = default;
};

// Started on first use and never stopped: a detached thread blocked in epoll_wait. Sources are
// serviced one at a time and without the loop's lock held, so a source takes its own lock in
// Service and may call Arm from there. Lock order: a source's lock, then the loop's.
//
// A process that forks gets a fresh loop in the child on first use (the thread does not
// survive the fork).
class IoLoop final {
 public:
  // The loop; null with err set when its descriptors or thread cannot be made (a later call
  // tries again).
  static IoLoop* Get(int& err);

  // Watches fd for source, waiting for events (epoll bits) at first; returns 0 or the errno of
  // a failed epoll_ctl.
  int Add(int fd, IoSource& source, std::uint32_t events, std::uint64_t& id);
  // Sets what the source waits for; callers hold the source's lock so that interests are set
  // in the order the source decided them.
  void Arm(std::uint64_t id, const IoInterest& interest);
  // Stops watching the source's descriptor for good (a device that has gone would report
  // hangup for ever); its deadlines still count.
  void Detach(std::uint64_t id);
  // After it returns the source is never serviced again, and no Service of it is running.
  // Must not be called from Service.
  void Remove(std::uint64_t id);

 private:
  struct Entry {
    IoSource* source;
    int fd;
    bool watched;
    std::uint32_t events;
    IoClock::time_point deadline;
  };

  IoLoop(int epoll, int wake) : epoll_(epoll), wake_(wake) {}
  void Run();
  void Wake();

  const int epoll_;
  const int wake_;  // an eventfd in the epoll set: makes the thread look at deadlines again

  std::mutex mutex_;
  std::condition_variable serviced_;
  std::unordered_map<std::uint64_t, Entry> entries_;
  std::uint64_t nextId_ = 1;
  std::uint64_t servicing_ = 0;  // the source whose Service is running
  IoClock::time_point sleepingUntil_ = IoClock::time_point::max();
};

}  // namespace kestrova
