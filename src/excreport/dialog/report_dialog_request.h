// What the handling flow hands the report dialog besides the report, and what it gets back.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <string>

namespace kestrova {

// The warning text that goes with code eeShowError when the dialog cannot be shown.
inline constexpr char kShowErrorText[] = "Cannot show the DialogBox window.";

struct ReportDialogContext {
  int ErrorCount = 1;  // exceptions handled so far, this one included
  std::string Message;  // the exception's message: simple mode and the fallback message box
  bool Duplicate = false;  // the log holds this exception already: nothing to send
  // Asked when the user pressed the end button (action 8 of the action-notify event); false
  // takes the request back and shows the dialog again. Empty: no handler, the request stands.
  std::function<bool()> ConfirmTerminate;
  // One count of the auto close (DialogCloseSecs counts); shorter only in tests.
  std::chrono::milliseconds CloseTick{1000};
  // The coordinates INI file; empty: CoordinatesFile::DefaultPath().
  QString CoordinatesPath;
};

struct ReportDialogResult {
  bool Shown = false;  // the dialog came up and was closed by the user or by the auto close
  bool SendChecked = false;  // unchecked forbids sending this report
  bool ScreenshotChecked = false;
  bool CopyChecked = false;  // put the report on the clipboard
  bool TerminateRequested = false;  // end or restart the program after the report (EndAction)
  bool AutoClosed = false;  // closed by the auto close, as by OK
  std::string ShowError;  // kShowErrorText when the dialog could not be shown, else empty
};

}  // namespace kestrova
