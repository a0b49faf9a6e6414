// The program's __cxa_throw: defined in the executable, it takes precedence over the C++
// run-time's definition for the executable and for every shared library (the dynamic linker
// finds the executable's symbol first). <cxxabi.h> is not included here because it declares
// the same function in its own namespace.
#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <typeinfo>

#include "excreport/capture/throw_site.h"

namespace kestrova {
namespace {

using CxaThrowFunction = void (*)(void*, std::type_info*, void (*)(void*));

constexpr std::size_t kMaxThrowFrames = 64;
constexpr std::size_t kStackWords = kThrowStackBytes / sizeof(std::uint64_t);

// A call instruction (E8 rel32, also the one into the PLT) is 5 bytes long.
constexpr std::uintptr_t kCallLength = 5;

// Trivially constructed and destroyed, so the thread-local needs no initialisation guard.
struct ThrowState {
  std::uintptr_t frames[kMaxThrowFrames];
  std::size_t count;
  const std::type_info* type;
  std::uint64_t registers[kRegisterCount];  // in the order of kRegisterColumns
  std::uint64_t stack[kStackWords];
  std::size_t stackWords;
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

// Copies the thrower's stack words. They lie in live frames of this thread, between its stack
// pointer and the last frame the walk passed; a sanitizer build keeps poisoned guard zones
// there, so the copy is not instrumented (and volatile, so that it stays no memcpy call).
__attribute__((no_sanitize_address)) std::size_t CopyStackWords(std::uintptr_t from, std::uintptr_t end,
                                                                std::uint64_t* words, std::size_t capacity) {
  if (from == 0 || end <= from || from % alignof(std::uint64_t) != 0) return 0;
  const std::size_t available = static_cast<std::size_t>(end - from) / sizeof(std::uint64_t);
  const std::size_t count = available < capacity ? available : capacity;
  const auto* source = reinterpret_cast<const volatile std::uint64_t*>(from);
  for (std::size_t i = 0; i < count; ++i) words[i] = source[i];
  return count;
}

// Frames dropped: this function and the __cxa_throw below, so frame 0 lies in the thrower.
__attribute__((noinline)) void RecordThrow(void* object, const std::type_info* type, void (*destructor)(void*)) {
  FirstFrameRegisters thrower;
  lastThrow.count = CaptureStackWithRegisters(lastThrow.frames, kMaxThrowFrames, 2, thrower);
  lastThrow.type = type;
  RegisterContext registers;
  registers.Rbx = thrower.Rbx;
  registers.Rbp = thrower.Rbp;
  registers.R12 = thrower.R12ToR15[0];
  registers.R13 = thrower.R12ToR15[1];
  registers.R14 = thrower.R12ToR15[2];
  registers.R15 = thrower.R12ToR15[3];
  registers.Rsp = thrower.Rsp;
  registers.Rdi = reinterpret_cast<std::uintptr_t>(object);
  registers.Rsi = reinterpret_cast<std::uintptr_t>(type);
  registers.Rdx = reinterpret_cast<std::uintptr_t>(destructor);
  registers.Rip = lastThrow.count > 0 && lastThrow.frames[0] > kCallLength ? lastThrow.frames[0] - kCallLength : 0;
  for (std::size_t i = 0; i < kRegisterCount; ++i)
    lastThrow.registers[i] = registers.*kRegisterColumns[i].Value;
  lastThrow.stackWords = CopyStackWords(thrower.Rsp, thrower.StackEnd, lastThrow.stack, kStackWords);
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
  if (site.Type != nullptr) {
    for (std::size_t i = 0; i < kRegisterCount; ++i)
      site.Registers.*kRegisterColumns[i].Value = lastThrow.registers[i];
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(lastThrow.stack);
    site.StackBytes.assign(bytes, bytes + lastThrow.stackWords * sizeof(std::uint64_t));
  }
  return site;
}

void ClearLastThrowSite() {
  lastThrow.count = 0;
  lastThrow.type = nullptr;
  lastThrow.stackWords = 0;
}

}  // namespace kestrova

extern "C" [[noreturn]] __attribute__((noinline)) void __cxa_throw(
    void* object, std::type_info* type, void (*destructor)(void*)) {
  using namespace kestrova;
  if (recording.load(std::memory_order_acquire)) RecordThrow(object, type, destructor);
  // A throw before InstallThrowHook (static initialisation) still needs the real function.
  ResolveNextCxaThrow()(object, type, destructor);
  std::abort();  // the real __cxa_throw never returns
}
