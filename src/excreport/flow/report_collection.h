// Gathering the values of one report: the call stacks of the threads and the report data.
#pragma once

#include <sys/types.h>

#include <optional>
#include <vector>

#include "excreport/capture/address_symbolizer.h"
#include "excreport/capture/thread_parker.h"
#include "excreport/flow/handler_state.h"
#include "excreport/flow/handling_request.h"

namespace kestrova {

// The other threads whose stacks StackFlags shows: bit 3 the threads the subsystem's guard
// did not start, bit 2 the guarded threads and the main thread. Never the exception thread, the
// thread waiting for the report, or the calling (report) thread.
std::vector<pid_t> ThreadsToWalk(const HandlerState& state, const HandlingRequest& request,
                                 std::uint8_t stackFlags);

// The other threads that HandlingFlags pauses for the report: bit 3 the threads the program's
// own code started without the guard (IsProgramThread), bit 1 the guarded threads and the main
// thread, the main thread not when bit 2 is set too. Never a thread of the toolkit or of a
// system library, never the threads ThreadsToWalk leaves out, nor the GUI thread of a GUI
// program, which must keep running to show the report.
std::vector<pid_t> ThreadsToPause(const HandlerState& state, const HandlingRequest& request,
                                  std::uint8_t handlingFlags, pid_t guiThread);

// For a crash reported by the helper, the other threads of the crashed process that StackFlags
// shows (bits 2 and 3), walked from outside; nothing for this process's own exceptions.
std::vector<ParkedThread> CrashedProcessThreads(const HandlingRequest& request, std::uint8_t stackFlags);

// The exception thread's block, then one block per parked thread, each resolved to entries.
std::vector<ThreadStack> BuildThreadStacks(const HandlerState& state, const HandlingRequest& request,
                                           const std::vector<ParkedThread>& others,
                                           const AddressSymbolizer& symbolizer);

// Everything the report text is built from. `display` comes from the GUI thread.
ReportData CollectReportData(const HandlerState& state, const HandlingRequest& request,
                             const TQuillModuleOptions& options, std::vector<ThreadStack> threads,
                             const AddressSymbolizer& symbolizer, std::optional<DisplayMode> display,
                             ReportTime time);

}  // namespace kestrova
