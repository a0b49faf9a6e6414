// The record a crashed process hands to its helper process: plain data of fixed size.
#pragma once

#include <sys/types.h>

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "excreport/capture/stack_walker.h"

namespace kestrova {

enum class CrashKind : std::uint32_t {
  kFatalSignal = 1,        // SIGSEGV, SIGBUS, SIGFPE, SIGILL or SIGABRT
  kUncaughtException = 2,  // std::terminate, usually a C++ exception nobody caught
};

enum class FaultAccess : std::uint32_t {
  kUnknown = 0,  // not a SIGSEGV, or no page-fault error code
  kRead = 1,
  kWrite = 2,
};

// The general registers of the x86-64 signal context (mcontext_t::gregs), in its order.
inline constexpr std::array<std::string_view, 23> kCrashRegisterNames{
    "R8",  "R9",  "R10", "R11", "R12", "R13", "R14", "R15",    "RDI", "RSI",     "RBP", "RBX",
    "RDX", "RAX", "RCX", "RSP", "RIP", "EFL", "CSGSFS", "ERR", "TRAPNO", "OLDMASK", "CR2"};

inline constexpr std::uint32_t kCrashRecordMagic = 0x4b435231;  // "KCR1"
inline constexpr std::size_t kCrashStackMemorySize = 256;

// Filled by the crashing process in memory prepared at install time; no pointers, so the
// helper can read it byte for byte. Texts are NUL-terminated and cut to their arrays.
struct CrashRecord {
  std::uint32_t Magic;
  std::uint32_t Size;  // sizeof(CrashRecord) of the writer
  CrashKind Kind;
  pid_t ProcessId;
  pid_t ThreadId;  // the crashing thread
  int Signal;      // 0 for an uncaught exception
  int SignalCode;  // si_code
  FaultAccess Access;
  std::uintptr_t FaultAddress;        // si_addr
  std::uintptr_t InstructionPointer;  // RIP at the fault; the throw site for an exception
  bool HasRegisters;                  // false for an uncaught exception
  std::uint64_t Registers[kCrashRegisterNames.size()];
  std::size_t FrameCount;
  std::uintptr_t Frames[kMaxStackFrames];  // frame 0 = InstructionPointer for a signal
  std::uintptr_t StackMemoryAddress;       // RSP; the bytes below are read from there up
  std::size_t StackMemorySize;             // 0 when the stack there was unreadable
  std::uint8_t StackMemory[kCrashStackMemorySize];
  char ExceptionClass[256];    // uncaught exception: class name without namespaces
  char ExceptionMessage[2048];  // uncaught exception: what()
  char ExecutablePath[PATH_MAX];   // /proc/self/exe as resolved at install
  char StartDirectory[PATH_MAX];   // current directory at install, for a restart
  bool GuiProgram;                 // the crashed program had its GUI up: the helper shows one too
};

}  // namespace kestrova
