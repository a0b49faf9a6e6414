#include "excreport/capture/thread_parker.h"

#include <linux/futex.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <system_error>
#include <thread>

#include "excreport/capture/process_threads.h"

namespace kestrova {
namespace {

constexpr std::size_t kMaxParkedThreads = 256;
constexpr std::chrono::milliseconds kPollInterval{1};

enum SlotState : int {
  kIdle,        // not part of a parking
  kSignalled,   // signal sent, no answer yet
  kCapturing,   // the handler is walking its stack
  kParked,      // stack recorded, waiting for release
  kLeft,        // released and out of the handler
  kAbandoned,   // no answer before the deadline: a late handler returns at once
  kGone,        // the thread ended before it could be signalled
};

struct ParkSlot {
  std::atomic<pid_t> threadId;
  std::atomic<int> state;
  std::size_t frameCount;
  std::uintptr_t frames[kMaxStackFrames];
};

// Static storage: a handler that runs late, after its parker is gone, still finds valid memory.
struct ParkTable {
  std::atomic<int> released;  // futex word: 0 while parked
  std::atomic<std::size_t> slotCount;
  ParkSlot slots[kMaxParkedThreads];
};

ParkTable table;
std::mutex parkerMutex;

static_assert(sizeof(std::atomic<int>) == sizeof(int), "futex word must be a plain int");

// signal-safe
void FutexWait(std::atomic<int>& word, int expected) {
  ::syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAIT_PRIVATE, expected, nullptr);  // syscall
}

void FutexWakeAll(std::atomic<int>& word) {
  ::syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAKE_PRIVATE, INT_MAX);
}

// signal-safe
ParkSlot* FindSlot(pid_t threadId) {
  const std::size_t count = table.slotCount.load(std::memory_order_acquire);
  for (std::size_t i = 0; i < count; ++i)
    if (table.slots[i].threadId.load(std::memory_order_relaxed) == threadId) return &table.slots[i];
  return nullptr;
}

// signal-safe
void ParkHandler(int, siginfo_t*, void* rawContext) {
  const int savedErrno = errno;
  ParkSlot* slot = FindSlot(CurrentThreadId());  // gettid (syscall)
  int expected = kSignalled;
  if (slot != nullptr && slot->state.compare_exchange_strong(expected, kCapturing)) {
    slot->frameCount = CaptureStackFromSignalContext(*static_cast<const ucontext_t*>(rawContext),
                                                     slot->frames, kMaxStackFrames);
    slot->state.store(kParked, std::memory_order_release);
    while (table.released.load(std::memory_order_acquire) == 0)
      FutexWait(table.released, 0);  // futex (syscall)
    slot->state.store(kLeft, std::memory_order_release);
  }
  errno = savedErrno;
}

void InstallParkHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    PrepareStackWalker();
    struct sigaction action {};
    action.sa_sigaction = ParkHandler;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    if (::sigaction(ThreadParkSignal(), &action, nullptr) != 0)
      throw std::system_error(errno, std::generic_category(), "sigaction");
  });
}

template <typename Predicate>
void PollUntil(Predicate done, std::chrono::steady_clock::time_point deadline) {
  while (!done() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(kPollInterval);
}

}  // namespace

int ThreadParkSignal() { return SIGRTMIN + 7; }

ThreadParker::ThreadParker(std::chrono::milliseconds deadline)
    : ThreadParker(ListThreadIds(), deadline) {}

ThreadParker::ThreadParker(const std::vector<pid_t>& threadIds,
                           std::chrono::milliseconds deadline)
    : exclusive_(parkerMutex) {
  InstallParkHandler();
  Park(threadIds, deadline);
}

ThreadParker::~ThreadParker() { Release(); }

void ThreadParker::Park(const std::vector<pid_t>& threadIds, std::chrono::milliseconds deadline) {
  const pid_t self = CurrentThreadId();
  // Everything the result needs is allocated before the first thread stops.
  for (pid_t id : threadIds) {
    if (id == self || threads_.size() == kMaxParkedThreads) continue;
    ParkedThread& thread = threads_.emplace_back();
    thread.ThreadId = id;
    thread.Name = ThreadName(id);
    thread.Priority = ThreadPriority(id);
    thread.Frames.reserve(kMaxStackFrames);
  }
  table.released.store(0, std::memory_order_release);
  for (std::size_t i = 0; i < threads_.size(); ++i) {
    ParkSlot& slot = table.slots[i];
    slot.frameCount = 0;
    slot.threadId.store(threads_[i].ThreadId, std::memory_order_relaxed);
    slot.state.store(kSignalled, std::memory_order_relaxed);
  }
  const std::size_t count = threads_.size();
  table.slotCount.store(count, std::memory_order_release);

  const pid_t process = ::getpid();
  for (std::size_t i = 0; i < count; ++i) {
    // A thread that ended since it was listed (ESRCH) is dropped below.
    if (::syscall(SYS_tgkill, process, threads_[i].ThreadId, ThreadParkSignal()) != 0)
      table.slots[i].state.store(kGone, std::memory_order_release);
  }
  auto answered = [&] {
    for (std::size_t i = 0; i < count; ++i) {
      const int state = table.slots[i].state.load(std::memory_order_acquire);
      if (state == kSignalled || state == kCapturing) return false;
    }
    return true;
  };
  PollUntil(answered, std::chrono::steady_clock::now() + deadline);
  for (std::size_t i = 0; i < count; ++i) {
    int expected = kSignalled;
    table.slots[i].state.compare_exchange_strong(expected, kAbandoned);
  }
  // A thread that began its walk before the deadline finishes it; the walk is bounded.
  PollUntil(answered, std::chrono::steady_clock::time_point::max());

  // Threads that were gone are dropped by moving the others up: no allocation.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const ParkSlot& slot = table.slots[i];
    const int state = slot.state.load(std::memory_order_acquire);
    if (state == kGone) continue;
    ParkedThread& thread = threads_[kept++];
    if (&thread != &threads_[i]) thread = std::move(threads_[i]);
    thread.Answered = state == kParked;
    if (thread.Answered) thread.Frames.assign(slot.frames, slot.frames + slot.frameCount);
  }
  threads_.resize(kept);
}

void ThreadParker::Release() {
  table.released.store(1, std::memory_order_release);
  FutexWakeAll(table.released);
  const std::size_t count = table.slotCount.load(std::memory_order_acquire);
  auto allLeft = [&] {
    for (std::size_t i = 0; i < count; ++i)
      if (table.slots[i].state.load(std::memory_order_acquire) == kParked) return false;
    return true;
  };
  PollUntil(allLeft, std::chrono::steady_clock::time_point::max());
  table.slotCount.store(0, std::memory_order_release);
  for (std::size_t i = 0; i < count; ++i) {
    table.slots[i].state.store(kIdle, std::memory_order_release);
    table.slots[i].threadId.store(0, std::memory_order_relaxed);
  }
}

}  // namespace kestrova
