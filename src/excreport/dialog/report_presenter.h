// How the handling flow shows a report in a GUI program: the presenter interface.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "excreport/options/quill_module_options.h"
#include "excreport/report/report_builder.h"
#include "excreport/report/report_data.h"

namespace kestrova {

// What the report dialog is shown with.
struct ReportView {
  const QuillReport* Report = nullptr;
  const ReportData* Data = nullptr;  // what the report was built from
  std::string Message;  // the exception's message, for the simple mode
  const TQuillModuleOptions* Options = nullptr;
  int ErrorCount = 0;              // exceptions handled so far, this one included
  bool SendingConfigured = false;  // MailMode or UploadMode is not 0
  bool Duplicate = false;          // the exception is in the log already
  // Asks the action-notify handlers whether the program may end now (action 8); false when
  // one of them cleared the request, and the dialog is then shown again.
  std::function<bool()> ConfirmTermination;
};

// What the user chose in the dialog.
struct ReportChoice {
  bool TerminateRequested = false;
  bool SendChecked = false;        // the send box was left checked
  bool ScreenshotChecked = false;  // the screenshot box was left checked
  bool CopyChecked = false;        // the copy-to-clipboard box was checked
};

enum class MessageKind { Information, Error };

// Shows the report and the messages of the handling flow. Every call runs on the GUI thread
// (the flow hands it there) and returns when the user has answered; a failure is reported by
// throwing and is recorded as a warning of the showing.
class ReportPresenter {
 public:
  virtual ~ReportPresenter() = default;
  virtual ReportChoice ShowReport(const ReportView& view) = 0;
  // The steps to reproduce the error as the user wrote them, trimmed.
  virtual std::string AskReproduceSteps(const TQuillModuleOptions& options) = 0;
  virtual void ShowMessage(const std::string& caption, const std::string& text, MessageKind kind) = 0;
};

// The presenter of the flow; the report dialog's (DialogPresenter) until another one is set.
// Thread-safe; an empty pointer restores the stand-in.
void SetReportPresenter(std::shared_ptr<ReportPresenter> presenter);
std::shared_ptr<ReportPresenter> CurrentReportPresenter();

}  // namespace kestrova
