// The program's pthread_create: defined in the executable, it takes precedence over the C
// library's for the executable and for every shared library, so every thread start passes here.
// The creator is judged by its call stack: the first frame outside the C and C++ run-times (and
// a sanitizer's) tells whose code asked for the thread. Only the program's threads are wrapped,
// to mark them while they run; the toolkit's start exactly as they would without the hook.
#include <dlfcn.h>
#include <pthread.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string_view>
#include <unordered_set>

#include "excreport/capture/process_threads.h"
#include "excreport/capture/program_threads.h"
#include "excreport/capture/stack_walker.h"

namespace kestrova {
namespace {

using PthreadCreateFunction = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

// Enough frames to get past std::thread's start inside libstdc++.
constexpr std::size_t kCreatorFrames = 8;
// The run-times a thread start passes through on behalf of the code that asked for it.
constexpr std::array<std::string_view, 5> kRuntimeLibraries = {"libc.so", "libstdc++.so", "libgcc_s.so", "libasan.so",
                                                               "libubsan.so"};

std::atomic<PthreadCreateFunction> nextPthreadCreate{nullptr};
std::atomic<bool> marking{false};

// The marked threads. Leaked on purpose: threads may still end while static objects are
// destroyed at exit.
struct Registry {
  std::mutex mutex;
  std::unordered_set<pid_t> threads;
};
Registry& ProgramThreads() {
  static Registry* registry = new Registry;
  return *registry;
}

PthreadCreateFunction ResolveNextPthreadCreate() {
  PthreadCreateFunction next = nextPthreadCreate.load(std::memory_order_acquire);
  if (next == nullptr) {
    next = reinterpret_cast<PthreadCreateFunction>(::dlsym(RTLD_NEXT, "pthread_create"));
    if (next == nullptr) std::abort();  // no thread could ever start
    nextPthreadCreate.store(next, std::memory_order_release);
  }
  return next;
}

bool IsRuntimeLibrary(std::string_view path) {
  const std::string_view file = path.substr(path.rfind('/') + 1);
  for (std::string_view library : kRuntimeLibraries)
    if (file.starts_with(library)) return true;
  return false;
}

// The executable: the module that holds this very code.
const void* ExecutableBase() {
  static const void* base = [] {
    Dl_info info{};
    return ::dladdr(reinterpret_cast<const void*>(&ExecutableBase), &info) != 0 ? info.dli_fbase : nullptr;
  }();
  return base;
}

// Frame 0 lies in the caller of pthread_create (the hook and this function dropped).
__attribute__((noinline)) bool CreatedByProgram() {
  std::array<std::uintptr_t, kCreatorFrames> frames{};
  const std::size_t count = CaptureStackSignalSafe(frames.data(), frames.size(), 2);
  for (std::size_t i = 0; i < count; ++i) {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(frames[i] - 1), &info) == 0 || info.dli_fname == nullptr) return false;
    if (IsRuntimeLibrary(info.dli_fname)) continue;
    return info.dli_fbase == ExecutableBase();
  }
  return false;
}

struct ProgramStart {
  void* (*routine)(void*);
  void* argument;
};

// Marks the thread for as long as its routine runs, also when it ends by pthread_exit or a
// cancellation (both unwind through here).
class ProgramThreadMark final {
 public:
  ProgramThreadMark() : id_(CurrentThreadId()) {
    std::lock_guard lock(ProgramThreads().mutex);
    ProgramThreads().threads.insert(id_);
  }
  ~ProgramThreadMark() {
    std::lock_guard lock(ProgramThreads().mutex);
    ProgramThreads().threads.erase(id_);
  }
  ProgramThreadMark(const ProgramThreadMark&) = delete;
  ProgramThreadMark& operator=(const ProgramThreadMark&) = delete;

 private:
  pid_t id_;
};

void* StartProgramThread(void* argument) {
  const ProgramStart start = *static_cast<ProgramStart*>(argument);
  delete static_cast<ProgramStart*>(argument);
  const ProgramThreadMark mark;
  return start.routine(start.argument);
}

}  // namespace

void InstallThreadStartHook() {
  ResolveNextPthreadCreate();
  ExecutableBase();
  marking.store(true, std::memory_order_release);
}

void RemoveThreadStartHook() { marking.store(false, std::memory_order_release); }

bool IsProgramThread(pid_t threadId) {
  std::lock_guard lock(ProgramThreads().mutex);
  return ProgramThreads().threads.contains(threadId);
}

}  // namespace kestrova

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*routine)(void*),
                              void* argument) {
  using namespace kestrova;
  const PthreadCreateFunction next = ResolveNextPthreadCreate();
  if (!marking.load(std::memory_order_acquire) || !CreatedByProgram())
    return next(thread, attributes, routine, argument);
  auto* start = new (std::nothrow) ProgramStart{routine, argument};
  if (start == nullptr) return next(thread, attributes, routine, argument);
  const int result = next(thread, attributes, &StartProgramThread, start);
  if (result != 0) delete start;
  return result;
}
