// One exception on its way through the handling flow.
#pragma once

#include <sys/types.h>

#include <QRect>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "excreport/capture/process_restart.h"
#include "excreport/capture/stack_walker.h"
#include "excreport/flow/quill_events.h"
#include "excreport/report/report_data.h"

namespace kestrova {

// Who handed the exception in (the raiser kinds of ExceptionManager).
inline constexpr std::uint8_t kRaiserRuntime = 0;      // thread bodies, the process level
inline constexpr std::uint8_t kRaiserApplication = 1;  // the application object's handler
inline constexpr std::uint8_t kRaiserWebHost = 2;

// Caught kind: 2 = the exception escaped a thread body.
inline constexpr std::uint8_t kCaughtOrdinary = 0;
inline constexpr std::uint8_t kCaughtThreadBody = 2;

// How many bytes from the exception's address the report shows.
inline constexpr std::size_t kMemoryDumpSize = 256;

struct HandlingRequest {
  std::exception_ptr Exception;
  std::uintptr_t Address = 0;
  std::uint8_t RaiserKind = kRaiserRuntime;
  std::uintptr_t ModuleHandle = 0;
  std::uint8_t CaughtKind = kCaughtOrdinary;
  // The thread that raised the exception; for a freeze, the frozen main thread.
  pid_t ThreadId = 0;
  // The exception thread's stack: the throw site, or the walk from an interrupted context.
  StackAddresses Frames;
  bool FirstFrameIsInstruction = false;
  bool FromWatchdog = false;
  // The thread that waits for the report (runs its pending calls): the raising thread, or the
  // freeze watchdog.
  pid_t WaitingThreadId = 0;
  // For a crash reported by the helper: the crashed process, its registers and stack bytes.
  pid_t ProcessId = 0;
  std::optional<AccessViolation> Violation;
  std::string ClassName;  // set when Exception is empty (a crash seen from the helper)
  std::string Message;
  std::vector<std::uint8_t> StackBytes;
  std::vector<std::uint8_t> MemoryBytes;  // up to kMemoryDumpSize bytes from the exception's address
  std::optional<ProgramCommand> CrashedCommand;  // the crashed program's command, for a restart
  // Filled by the handling entry.
  TExceptNotifyParams Notify;
  ActiveControlsInfo Controls;
  std::optional<QRect> FocusRect;
};

}  // namespace kestrova
