#include "excreport/report/exception_message.h"

#include "excreport/report/report_formats.h"

namespace kestrova {

std::string ExceptionMessageText(const ExceptionRecordData& exception) {
  if (!exception.IsException) return "Unknown error message.";
  std::string message = exception.Message;
  if (exception.Violation) {
    const std::string access = exception.Violation->Write ? "Write" : "Read";
    message = "Access violation at address " + FormatHex8(exception.Address);
    if (!exception.Module.empty()) message += " in module '" + FileNameOf(exception.Module) + "'";
    message += ". " + access + " of address " + FormatHex8(exception.Violation->TargetAddress);
  }
  if (!message.empty() && message.back() != '.') message += '.';
  return message;
}

std::string ExceptionTypeText(const ExceptionRecordData& exception) {
  return exception.IsException && !exception.ClassName.empty() ? exception.ClassName : "Unknown exception type.";
}

}  // namespace kestrova
