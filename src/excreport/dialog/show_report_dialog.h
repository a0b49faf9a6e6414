// Showing the report of one exception to the user: the report dialog and what replaces it.
#pragma once

#include "excreport/dialog/report_dialog_request.h"
#include "excreport/options/quill_module_options.h"
#include "excreport/report/report_builder.h"
#include "excreport/report/report_data.h"

namespace kestrova {

// Sounds the error beep and runs the report dialog modally; returns when it is closed. When the
// user asked to end the program and context.ConfirmTerminate takes the request back, the dialog
// is shown again. The window that was active before is activated again afterwards.
//
// Runs on the GUI thread of a QApplication only; called elsewhere it shows nothing and returns
// ShowError set. When the dialog cannot be made, the exception message is shown in a message
// box captioned with text 2 instead, and ShowError is set (the caller records the warning with
// code eeShowError). Never throws.
ReportDialogResult ShowReportDialog(const QuillReport& report, const ReportData& data, const TQuillModuleOptions& options,
                                    const ReportDialogContext& context);

}  // namespace kestrova
