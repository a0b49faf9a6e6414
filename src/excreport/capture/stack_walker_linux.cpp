// Stack walks with libgcc's unwinder (_Unwind_Backtrace) and, as a fallback, frame pointers.
// libunwind is never linked: its _Unwind_* shims replace libgcc's and slow every throw down.
//
// Signal safety of _Unwind_Backtrace: it allocates nothing, and libgcc 12 finds the frame tables
// through glibc's _dl_find_object (glibc 2.35 and later), which takes no lock. The one lock it
// may still take guards frames registered by hand (__register_frame_info, used by JITs), which
// this program does not do.
#include "excreport/capture/stack_walker.h"

#include <unwind.h>

#include <array>

#include "excreport/capture/safe_memory_read.h"

namespace kestrova {
namespace {

// The unwinder follows at most this many frames of a walk that looks for a signal's frame, so
// that a damaged stack cannot keep a handler busy.
constexpr std::size_t kMaxUnwindSteps = 512;
// A caller's frame lies above its callee's and not absurdly far from it.
constexpr std::uintptr_t kMaxFrameSpan = 64u << 20;

struct UnwindWalk {
  std::uintptr_t* frames;
  std::size_t capacity;
  std::size_t count;
  std::size_t toSkip;      // frames still to drop before recording
  std::uintptr_t startIp;  // 0, or the address that the first recorded frame must have
  std::size_t steps;
  FirstFrameRegisters* registers = nullptr;  // filled when given
};

// DWARF numbers of the x86-64 callee-saved registers.
constexpr int kDwarfRbx = 3;
constexpr int kDwarfRbp = 6;
constexpr int kDwarfR12 = 12;

// signal-safe
void NoteFirstFrame(_Unwind_Context* context, FirstFrameRegisters& registers) {
  registers.Rbx = _Unwind_GetGR(context, kDwarfRbx);
  registers.Rbp = _Unwind_GetGR(context, kDwarfRbp);
  for (int i = 0; i < 4; ++i) registers.R12ToR15[i] = _Unwind_GetGR(context, kDwarfR12 + i);
  // During a walk, libgcc's context of a frame carries the frame address of the frame it
  // called (it is computed while stepping out of that one): this frame's stack pointer at the
  // call. The stack pointer column itself is not kept for a walk.
  registers.Rsp = static_cast<std::uintptr_t>(_Unwind_GetCFA(context));
}

// signal-safe
_Unwind_Reason_Code RecordFrame(_Unwind_Context* context, void* argument) {
  auto& walk = *static_cast<UnwindWalk*>(argument);
  if (++walk.steps > kMaxUnwindSteps) return _URC_END_OF_STACK;
  const auto ip = static_cast<std::uintptr_t>(_Unwind_GetIP(context));
  if (ip == 0) return _URC_END_OF_STACK;
  if (walk.registers != nullptr) walk.registers->StackEnd = static_cast<std::uintptr_t>(_Unwind_GetCFA(context));
  if (walk.startIp != 0) {
    if (ip != walk.startIp) return _URC_NO_REASON;
    walk.startIp = 0;
  } else if (walk.toSkip > 0) {
    --walk.toSkip;
    return _URC_NO_REASON;
  }
  if (walk.count == 0 && walk.registers != nullptr) NoteFirstFrame(context, *walk.registers);
  walk.frames[walk.count++] = ip;
  return walk.count < walk.capacity ? _URC_NO_REASON : _URC_END_OF_STACK;
}

}  // namespace

void PrepareStackWalker() {
  // The first walk initialises libgcc's register tables and caches the module lookup.
  std::array<std::uintptr_t, 4> frames{};
  CaptureStackSignalSafe(frames.data(), frames.size(), 0);
}

// signal-safe
__attribute__((noinline)) std::size_t CaptureStackSignalSafe(std::uintptr_t* frames,
                                                             std::size_t capacity,
                                                             std::size_t skip) {
  if (capacity == 0) return 0;
  // Frame 0 of the unwinder is this function itself.
  UnwindWalk walk{frames, capacity, 0, skip + 1, 0, 0};
  _Unwind_Backtrace(RecordFrame, &walk);
  return walk.count;
}

// signal-safe
__attribute__((noinline)) std::size_t CaptureStackWithRegisters(std::uintptr_t* frames, std::size_t capacity,
                                                                std::size_t skip, FirstFrameRegisters& registers) {
  registers = FirstFrameRegisters{};
  if (capacity == 0) return 0;
  UnwindWalk walk{frames, capacity, 0, skip + 1, 0, 0};
  walk.registers = &registers;
  _Unwind_Backtrace(RecordFrame, &walk);
  return walk.count;
}

__attribute__((noinline)) StackAddresses CaptureCurrentStack(std::size_t skip) {
  std::array<std::uintptr_t, kMaxStackFrames> frames{};
  // One more frame to drop: CaptureCurrentStack itself.
  const std::size_t count = CaptureStackSignalSafe(frames.data(), frames.size(), skip + 1);
  return StackAddresses(frames.begin(), frames.begin() + count);
}

// signal-safe
std::size_t CaptureStackFromSignalContext(const ucontext_t& context, std::uintptr_t* frames,
                                          std::size_t capacity) {
  if (capacity == 0) return 0;
  const auto ip = static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RIP]);
  const auto framePointer = static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RBP]);
  if (ip != 0) {
    UnwindWalk walk{frames, capacity, 0, 0, ip, 0};
    _Unwind_Backtrace(RecordFrame, &walk);
    if (walk.count > 0) return walk.count;
  }
  return WalkFramePointers(ip, framePointer, frames, capacity);
}

// signal-safe
std::size_t WalkFramePointers(std::uintptr_t ip, std::uintptr_t framePointer,
                              std::uintptr_t* frames, std::size_t capacity) {
  std::size_t count = 0;
  if (capacity == 0) return 0;
  frames[count++] = ip;
  std::uintptr_t fp = framePointer;
  while (count < capacity && fp != 0 && fp % alignof(std::uintptr_t) == 0) {
    std::uintptr_t record[2];  // saved rbp of the caller, return address into the caller
    if (SafeReadMemory(reinterpret_cast<const void*>(fp), record, sizeof record) != sizeof record)
      break;  // process_vm_readv (syscall) inside
    if (record[1] == 0) break;
    frames[count++] = record[1];
    if (record[0] <= fp || record[0] - fp > kMaxFrameSpan) break;
    fp = record[0];
  }
  return count;
}

}  // namespace kestrova
