#include "excreport/capture/quill_warnings.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "excreport/capture/safe_memory_read.h"
#include "excreport/capture/throw_site.h"
#include "excreport/report/exception_class_info.h"
#include "excreport/report/report_formats.h"
#include "excreport/report/system_facts.h"

namespace kestrova {
namespace {

constexpr std::array<std::string_view, 9> kCodeNames{
    "eeNone",         "eeShowError",    "eeLogError",      "eeEmailMAPIError", "eeEmailShellError",
    "eeEmailSMTPError", "eeWebHTTPError", "eeWebHTTPSError", "eeWebFTPError"};

std::mutex warningMutex;
QuillWarning lastWarning;

void WriteLine(const std::string& line) {
  const std::string text = line + "\n";
  // One write, so that lines of two threads do not interleave.
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
}

std::string CodeDump(std::uintptr_t address) {
  unsigned char bytes[32];
  const std::size_t count = SafeReadMemory(reinterpret_cast<const void*>(address), bytes, sizeof bytes);
  std::string dump;
  char part[5];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(part, sizeof part, " $%02X", bytes[i]);
    dump += part;
  }
  return dump;
}

void WriteDiagnosticFile(std::string_view section, std::uintptr_t address, std::string_view handledClass,
                         std::string_view errorClass, std::string_view message) {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return;
  DiagnosticFacts facts;
  facts.Date = FormatReportDate(CurrentReportTime());
  facts.System = CollectOperatingSystemInfo().Type;
  facts.Compiler = "GCC " __VERSION__;
  facts.CodeDump = CodeDump(address);
  facts.Section = section;
  facts.LastException = handledClass;
  facts.Address = FormatHex8(address);
  facts.ErrorClass = errorClass;
  facts.Message = message;
  for (std::uintptr_t frame : LastThrowSite().Frames) facts.CallStack += "\r\n  " + FormatHex8(frame);
  std::filesystem::path file = executable;
  file.replace_extension(".log");
  std::ofstream(file, std::ios::binary) << DiagnosticText(facts);
}

}  // namespace

std::string_view ErrorCodeName(TQuillmarkErrorCode code) {
  return kCodeNames.at(static_cast<std::size_t>(code));
}

std::string WarningText(std::string_view stepName, std::string_view message) {
  if (message.empty()) return "General '" + std::string(stepName) + "' error.";
  return "[" + std::string(stepName) + "] " + std::string(message);
}

std::string WarningLine(TQuillmarkErrorCode code, std::uintptr_t address, std::string_view text) {
  return "[WARNING] - Code: " + std::string(ErrorCodeName(code)) + " - Address: " + FormatHex8(address) +
         " - Message: \"" + std::string(text) + "\"";
}

std::string InternalErrorLine(std::string_view section, std::uintptr_t address, std::string_view message) {
  return "[ERROR] - Section: " + std::string(section) + " - Address: " + FormatHex8(address) +
         " - Message: \"" + std::string(message) + "\"";
}

void RecordWarning(TQuillmarkErrorCode code, std::string_view stepName, std::string_view message,
                   std::uintptr_t address) {
  const std::string text = WarningText(stepName, message);
  {
    std::lock_guard lock(warningMutex);
    lastWarning = QuillWarning{code, text};
  }
  WriteLine(WarningLine(code, address, text));
}

QuillWarning LastWarning() {
  std::lock_guard lock(warningMutex);
  return lastWarning;
}

void ClearLastWarning() {
  std::lock_guard lock(warningMutex);
  lastWarning = QuillWarning{};
}

void ReportInternalError(std::string_view section, std::uintptr_t address, std::string_view handledClass,
                         const std::exception_ptr& error) {
  const std::optional<ExceptionClassInfo> info = DescribeException(error);
  if (info && (info->IsKindOf("EAbort") || info->IsKindOf("EQuillSocketError"))) return;
  const std::string errorClass = info ? info->Name : std::string();
  std::string message = "General internal error.";  // for a thrown value that is no exception
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& exception) {
    message = exception.what();
  } catch (...) {
  }
  try {
    WriteLine(InternalErrorLine(section, address, message));
    if (DebuggerAttached()) WriteDiagnosticFile(section, address, handledClass, errorClass, message);
  } catch (...) {
    // The reporter of last resort fails quietly.
  }
}

bool DebuggerAttached() {
  const std::string status = ReadSystemFile("/proc/self/status");
  const std::size_t at = status.find("TracerPid:");
  if (at == std::string::npos) return false;
  const std::size_t digit = status.find_first_not_of(" \t", at + 10);
  return digit != std::string::npos && status[digit] != '0';
}

std::string DiagnosticText(const DiagnosticFacts& facts) {
  return "Version   : 5.1.3\r\nDate      : " + facts.Date + "\r\nOS        : " + facts.System +
         "\r\nRAD       : " + facts.Compiler + "\r\nDump      : " + facts.CodeDump +
         "\r\nSection   : " + facts.Section + "\r\nLastExcept: " + facts.LastException +
         "\r\nAddress   : $" + facts.Address + "\r\nException : " + facts.ErrorClass +
         "\r\nMessage   : " + facts.Message + "\r\nCall Stack: " + facts.CallStack;
}

}  // namespace kestrova
