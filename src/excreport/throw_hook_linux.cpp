// The program's __cxa_throw: defined in the executable, it takes precedence over the C++
// run-time's definition for the executable and for every shared library (the dynamic linker
// finds the executable's symbol first). <cxxabi.h> is not included here because it declares
// the same function in its own namespace.
#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <typeinfo>

#include "excreport/throw_site.h"

namespace kestrova {
namespace {

using CxaThrowFunction = void (*)(void*, std::type_info*, void (*)(void*));

constexpr std::size_t kMaxThrowFrames = 64;

// Trivially constructed and destroyed, so the thread-local needs no initialisation guard.
struct ThrowState {
  std::uintptr_t frames[kMaxThrowFrames];
  std::size_t count;
  const std::type_info* type;
};

thread_local ThrowState lastThrow;
std::atomic<CxaThrowFunction> nextCxaThrow{nullptr};
std::atomic<bool> recording{false};

CxaThrowFunction ResolveNextCxaThrow() {
  CxaThrowFunction next = nextCxaThrow.load(std::memory_order_acquire);
  if (next == nullptr) {
    next = reinterpret_cast<CxaThrowFunction>(::dlsym(RTLD_NEXT, "__cxa_throw"));
    // Without the run-time's __cxa_throw no exception can be raised at all.
    if (next == nullptr) std::abort();
    nextCxaThrow.store(next, std::memory_order_release);
  }
  return next;
}

// Frames dropped: this function and the __cxa_throw below, so frame 0 lies in the thrower.
__attribute__((noinline)) void RecordThrow(const std::type_info* type) {
  lastThrow.count = CaptureStackSignalSafe(lastThrow.frames, kMaxThrowFrames, 2);
  lastThrow.type = type;
}

}  // namespace

void InstallThrowHook() {
  ResolveNextCxaThrow();
  PrepareStackWalker();
  recording.store(true, std::memory_order_release);
}

void RemoveThrowHook() { recording.store(false, std::memory_order_release); }

ThrowSite LastThrowSite() {
  ThrowSite site;
  site.Frames.assign(lastThrow.frames, lastThrow.frames + lastThrow.count);
  site.Type = lastThrow.type;
  return site;
}

void ClearLastThrowSite() {
  lastThrow.count = 0;
  lastThrow.type = nullptr;
}

}  // namespace kestrova

extern "C" [[noreturn]] __attribute__((noinline)) void __cxa_throw(
    void* object, std::type_info* type, void (*destructor)(void*)) {
  using namespace kestrova;
  if (recording.load(std::memory_order_acquire)) RecordThrow(type);
  // A throw before InstallThrowHook (static initialisation) still needs the real function.
  ResolveNextCxaThrow()(object, type, destructor);
  std::abort();  // the real __cxa_throw never returns
}
