// Call stacks as raw code addresses: a normal API that returns values and a signal-safe one.
#pragma once

#include <ucontext.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrova {

// Frame 0 of a walk that starts from a signal context is the interrupted instruction; every
// other frame is a return address, which points just past its call instruction, so a
// symbolizer looks up address - 1 for those frames.
using StackAddresses = std::vector<std::uintptr_t>;

// The most frames any walk records; deeper stacks are cut.
inline constexpr std::size_t kMaxStackFrames = 128;

// Loads what the unwinder needs (libgcc_s, the frame tables of the loaded modules) so that the
// first walk inside a signal handler does not have to. Call at install time.
void PrepareStackWalker();

// The calling thread's return addresses; frame 0 is in the function that called this one,
// `skip` drops that many more frames. Uses libgcc's unwinder (call frame information), so it
// works for code built without frame pointers.
StackAddresses CaptureCurrentStack(std::size_t skip = 0);

// The same walk into a caller-owned array; returns the number of frames written.
// signal-safe
std::size_t CaptureStackSignalSafe(std::uintptr_t* frames, std::size_t capacity, std::size_t skip);

// What the unwinder restores of the first recorded frame: its callee-saved registers and its
// stack pointer at the call it made; and the frame address of the last frame walked, above
// which the walk did not look (the stack from Rsp up to StackEnd is the thread's own).
struct FirstFrameRegisters {
  std::uint64_t Rbx = 0, Rbp = 0;
  std::uint64_t R12ToR15[4] = {};
  std::uint64_t Rsp = 0;
  std::uintptr_t StackEnd = 0;
};

// CaptureStackSignalSafe that also notes the first recorded frame's registers.
// signal-safe
std::size_t CaptureStackWithRegisters(std::uintptr_t* frames, std::size_t capacity, std::size_t skip,
                                      FirstFrameRegisters& registers);

// Walks the stack of the thread that a signal interrupted, from that signal's handler on the
// same thread. Frame 0 is the interrupted instruction pointer. The unwinder steps through the
// kernel's signal frame (libgcc knows the x86-64 sigreturn trampoline); the walk starts at the
// frame whose address is the interrupted one. When the unwinder never reaches that frame (no
// unwind tables), the frame-pointer chain from the context is walked instead.
// signal-safe
std::size_t CaptureStackFromSignalContext(const ucontext_t& context, std::uintptr_t* frames,
                                          std::size_t capacity);

// Follows the rbp chain from (ip, framePointer). Every read is checked first, so a broken chain
// ends the walk instead of faulting. Only code built with frame pointers keeps the chain: in an
// optimised build (-O2 omits them) the walk skips or loses frames, which is why it is only the
// fallback of CaptureStackFromSignalContext.
// signal-safe
std::size_t WalkFramePointers(std::uintptr_t ip, std::uintptr_t framePointer,
                              std::uintptr_t* frames, std::size_t capacity);

}  // namespace kestrova
