// The report of a crash, made by the helper process while the crashed process waits.
#pragma once

#include <optional>

#include "excreport/capture/crash_record.h"
#include "excreport/flow/handling_request.h"

namespace kestrova {

// Call first thing in main. In the helper process (started by a crash with the private flag)
// reads the crash record, makes the report of the crashed process with the executable's
// options (shown with a GUI when the crashed program had one, else on the console), restarts
// the program when the report asks for it, and returns the helper's exit code for main to
// return. Returns nullopt in a normal start.
std::optional<int> RunCrashReportHelperIfRequested(int argc, char** argv);

// The request that describes the crash of `record` (reads the crashed process's memory at the
// faulting address, when it may).
HandlingRequest CrashRequest(const CrashRecord& record);

}  // namespace kestrova
