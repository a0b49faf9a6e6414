// The guarded runner of the subsystem's start-up and shutdown steps.
#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// "Critical error at: "step"\r\nError: "message"." ("General internal error." without a message).
std::string CriticalErrorText(std::string_view stepName, std::string_view message);

// Runs one step ("ECore.Init", ...). An exception aborts the step: before the internal-error
// reporter is installed its critical-error text goes to standard error; afterwards the reporter
// gets it with the section "step (Address: routine address)". Never throws.
void RunGuardedStep(std::string_view stepName, void (*step)()) noexcept;

// Set by the handler's start-up once the internal-error reporter may be used.
void SetInternalErrorReporterInstalled(bool installed);

}  // namespace kestrova
