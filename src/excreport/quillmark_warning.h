// TQuillmarkErrorCode and TQuillmarkWarning: a recoverable failure of the reporting subsystem.
#pragma once

#include <string>

namespace kestrova {

// The kinds of recoverable failures; the handling flow keeps the last one as its warning.
enum TQuillmarkErrorCode : int {
  eeNone,
  eeShowError,
  eeLogError,
  eeEmailMAPIError,
  eeEmailShellError,
  eeEmailSMTPError,
  eeWebHTTPError,
  eeWebHTTPSError,
  eeWebFTPError,
};

// One warning as a step hands it to the handling flow, which records it.
struct TQuillmarkWarning {
  TQuillmarkErrorCode code = eeNone;
  std::string step;     // name of the step that failed, e.g. "SMTP"
  std::string message;  // what went wrong
};

}  // namespace kestrova
