// Where the last C++ exception of a thread was thrown: return addresses and thrown type.
#pragma once

#include <cstdint>
#include <typeinfo>
#include <vector>

#include "excreport/report/register_context.h"

#include "excreport/capture/stack_walker.h"

namespace kestrova {

// The stack of one throw. Frame 0 is the return address of the call to __cxa_throw, inside the
// function that threw (look up address - 1: the call may be the function's last instruction).
// Symbols are resolved only when a report is built.
struct ThrowSite {
  StackAddresses Frames;
  const std::type_info* Type = nullptr;  // null when this thread threw nothing yet
  // The registers at the call to __cxa_throw: RSP, RBP, RBX and R12 to R15 of the thrower as the
  // unwinder restores them, RDI, RSI and RDX its arguments, RIP the call (frame 0 - 5); the
  // scratch registers are 0. The stack bytes from RSP up, as they were at the throw (the frames
  // are gone by the time a report is made).
  RegisterContext Registers;
  std::vector<std::uint8_t> StackBytes;
};

// How many bytes of the thrower's stack a throw site keeps.
inline constexpr std::size_t kThrowStackBytes = 128;

// Starts recording throw sites. The program's own __cxa_throw (throw_hook_linux.cpp) replaces
// the C++ run-time's for every module, records the stack and the type in thread-local state,
// and calls the next __cxa_throw in the lookup order: the C++ run-time's, or in a sanitizer
// build the sanitizer's interceptor, which calls the run-time's in turn. The next one is
// resolved here, once. Safe to call more than once.
void InstallThrowHook();

// Stops recording; throws still go through to the real __cxa_throw.
void RemoveThrowHook();

// The last throw on the calling thread while the hook was installed. A rethrow (throw;) keeps
// the original site.
ThrowSite LastThrowSite();

// Forgets the calling thread's last throw, so that a later report does not show a stale site.
void ClearLastThrowSite();

}  // namespace kestrova
