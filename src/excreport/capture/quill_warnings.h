// Warnings of recoverable reporting failures and the internal-error reporter.
//
// Both write one line to standard error, which stands in for the debugger output here:
//   [WARNING] - Code: eeLogError - Address: 00401A2C - Message: "[Log] Cannot create ..."
//   [ERROR] - Section: 12 - Address: 00401A2C - Message: "..."
// Only under a debugger (TracerPid in /proc/self/status is not 0) does an internal error also
// write its diagnostic file next to the executable. Thread-safe.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace kestrova {

enum class TQuillmarkErrorCode {
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

// "eeLogError" and so on.
std::string_view ErrorCodeName(TQuillmarkErrorCode code);

// The warning's text: "[step] message", or "General 'step' error." without a message.
std::string WarningText(std::string_view stepName, std::string_view message);
std::string WarningLine(TQuillmarkErrorCode code, std::uintptr_t address, std::string_view text);
std::string InternalErrorLine(std::string_view section, std::uintptr_t address,
                              std::string_view message);

struct QuillWarning {
  TQuillmarkErrorCode Code = TQuillmarkErrorCode::eeNone;
  std::string Text;
};

// Records a warning as the last one and writes its line. `address` is the address of the
// exception being reported.
void RecordWarning(TQuillmarkErrorCode code, std::string_view stepName, std::string_view message,
                   std::uintptr_t address);
QuillWarning LastWarning();
void ClearLastWarning();

// Reports a failure of the subsystem itself. `section` names the step that failed, `address`
// is the address of the exception being handled and `handledClass` its class. The silent abort
// class and socket errors of the delivery (EQuillSocketError) are ignored.
void ReportInternalError(std::string_view section, std::uintptr_t address,
                         std::string_view handledClass, const std::exception_ptr& error);

// True when a tracer (a debugger) is attached to this process.
bool DebuggerAttached();

// The diagnostic text written under a debugger.
struct DiagnosticFacts {
  std::string Date, System, Compiler, CodeDump, Section, LastException, Address, ErrorClass,
      Message, CallStack;
};
std::string DiagnosticText(const DiagnosticFacts& facts);

}  // namespace kestrova
