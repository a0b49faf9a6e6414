// TQuillmarkWarning: a recoverable failure of the reporting subsystem, as a step hands it on.
#pragma once

#include <string>

#include "excreport/capture/quill_warnings.h"

namespace kestrova {

// One warning as a step hands it to the handling flow, which records it.
struct TQuillmarkWarning {
  TQuillmarkErrorCode code = TQuillmarkErrorCode::eeNone;
  std::string step;     // name of the step that failed, e.g. "SMTP"
  std::string message;  // what went wrong
};

}  // namespace kestrova
