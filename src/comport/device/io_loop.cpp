#include "comport/device/io_loop.h"

#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace kestrova {
namespace {

constexpr std::uint64_t kWakeId = 0;

std::atomic<IoLoop*> instance{nullptr};
std::mutex creating;

int MillisUntil(IoClock::time_point deadline) {
  if (deadline == IoClock::time_point::max()) return -1;
  auto now = IoClock::now();
  if (deadline <= now) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
  return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
}

}  // namespace

IoLoop* IoLoop::Get(int& err) {
  err = 0;
  if (IoLoop* loop = instance.load(std::memory_order_acquire)) return loop;
  std::lock_guard lock(creating);
  if (IoLoop* loop = instance.load(std::memory_order_acquire)) return loop;
  int epoll = ::epoll_create1(EPOLL_CLOEXEC);
  if (epoll < 0) {
    err = errno;
    return nullptr;
  }
  int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  epoll_event ev{.events = EPOLLIN, .data = {.u64 = kWakeId}};
  if (wake < 0 || ::epoll_ctl(epoll, EPOLL_CTL_ADD, wake, &ev) != 0) {
    err = errno;
    if (wake >= 0) ::close(wake);
    ::close(epoll);
    return nullptr;
  }
  // Never freed: the thread lives as long as the process.
  auto* loop = new IoLoop(epoll, wake);
  try {
    std::thread([loop] { loop->Run(); }).detach();
  } catch (const std::system_error& e) {
    err = e.code().value();
    ::close(wake);
    ::close(epoll);
    delete loop;
    return nullptr;
  }
  static const int atFork = ::pthread_atfork(nullptr, nullptr, [] { instance.store(nullptr); });
  (void)atFork;
  instance.store(loop, std::memory_order_release);
  return loop;
}

int IoLoop::Add(int fd, IoSource& source, std::uint32_t events, std::uint64_t& id) {
  std::lock_guard lock(mutex_);
  id = nextId_++;
  epoll_event ev{.events = events, .data = {.u64 = id}};
  if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev) != 0) return errno;
  entries_.emplace(id, Entry{&source, fd, true, events, IoClock::time_point::max()});
  return 0;
}

void IoLoop::Arm(std::uint64_t id, const IoInterest& interest) {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(id);
  if (it == entries_.end()) return;
  Entry& e = it->second;
  if (e.watched && e.events != interest.events) {
    epoll_event ev{.events = interest.events, .data = {.u64 = id}};
    ::epoll_ctl(epoll_, EPOLL_CTL_MOD, e.fd, &ev);  // cannot fail for a descriptor in the set
    e.events = interest.events;
  }
  e.deadline = interest.deadline;
  if (interest.deadline < sleepingUntil_ && servicing_ != id) Wake();
}

void IoLoop::Detach(std::uint64_t id) {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(id);
  if (it == entries_.end() || !it->second.watched) return;
  ::epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.fd, nullptr);
  it->second.watched = false;
}

void IoLoop::Remove(std::uint64_t id) {
  std::unique_lock lock(mutex_);
  auto it = entries_.find(id);
  if (it == entries_.end()) return;
  if (it->second.watched) ::epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.fd, nullptr);
  entries_.erase(it);
  serviced_.wait(lock, [&] { return servicing_ != id; });
}

void IoLoop::Wake() {
  std::uint64_t one = 1;
  ssize_t n = ::write(wake_, &one, sizeof one);
  (void)n;  // a counter that is already non-zero wakes the loop as well
}

void IoLoop::Run() {
  epoll_event events[32];
  std::vector<std::pair<std::uint64_t, std::uint32_t>> due;
  while (true) {
    int timeout;
    {
      std::lock_guard lock(mutex_);
      sleepingUntil_ = IoClock::time_point::max();
      for (const auto& [id, e] : entries_) sleepingUntil_ = std::min(sleepingUntil_, e.deadline);
      timeout = MillisUntil(sleepingUntil_);
    }
    int n = ::epoll_wait(epoll_, events, std::size(events), timeout);
    due.clear();
    for (int i = 0; i < n; ++i) {
      if (events[i].data.u64 == kWakeId) {
        std::uint64_t count;
        ssize_t r = ::read(wake_, &count, sizeof count);
        (void)r;
      } else {
        const std::uint64_t id = events[i].data.u64;  // packed: copied out first
        const std::uint32_t ready = events[i].events;
        due.emplace_back(id, ready);
      }
    }
    {
      std::lock_guard lock(mutex_);
      sleepingUntil_ = IoClock::time_point::min();  // busy: deadlines are looked at again after
      const auto now = IoClock::now();
      for (auto& [id, e] : entries_) {
        if (e.deadline > now) continue;
        e.deadline = IoClock::time_point::max();  // the source arms a new one if it wants one
        if (std::none_of(due.begin(), due.end(), [id](const auto& d) { return d.first == id; }))
          due.emplace_back(id, 0);
      }
    }
    for (auto [id, ready] : due) {
      IoSource* source;
      {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(id);
        if (it == entries_.end()) continue;
        source = it->second.source;
        servicing_ = id;
      }
      source->Service(ready);
      std::lock_guard lock(mutex_);
      servicing_ = 0;
      serviced_.notify_all();
    }
  }
}

}  // namespace kestrova
