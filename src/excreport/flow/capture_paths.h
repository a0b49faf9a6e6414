// The capture paths the program's own exception paths call: the application object's central
// handler and the guard around thread bodies.
#pragma once

#include <exception>
#include <functional>

namespace kestrova {

// For the application object's central handler (raiser kind 1), on the GUI thread. Returns
// true when the exception was reported or swallowed, false when the handler shall show it
// itself (the subsystem is not installed, is disabled, or declined it). Never throws.
bool ReportApplicationException(const std::exception_ptr& exception) noexcept;

// Runs a thread body so that an exception escaping it is reported on the thread itself (raiser
// kind 0); the thread then ends as if its body had returned. While the body runs the thread
// counts as created by the program's thread library (StackFlags bit 2, HandlingFlags bit 1).
void RunReportedThreadBody(const std::function<void()>& body);

}  // namespace kestrova
