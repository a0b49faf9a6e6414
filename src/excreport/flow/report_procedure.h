// The report procedure: from a captured exception to the report shown, logged and sent.
#pragma once

#include "excreport/flow/handler_state.h"
#include "excreport/flow/handling_request.h"

namespace kestrova {

// Makes the report of one exception. Runs on the TExceptionThread (or directly, in the crash
// helper) under the handler lock. Event handlers run on the exception thread as pending calls,
// the presenter on the GUI thread. Every step sets the state's step number; an exception in a
// step ends the report and goes to the internal-error reporter. Paused threads run again in
// every case. When termination is requested the process ends here with exit code 1 (after
// starting a new instance for EndAction 1), unless the report is about a crashed process,
// which ends by itself. Returns true when the exception was not taken (a handler of the
// exception-notify event cleared the handle flag).
bool RunReportProcedure(HandlerState& state, HandlingRequest& request);

}  // namespace kestrova
