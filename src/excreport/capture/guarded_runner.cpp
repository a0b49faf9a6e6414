#include "excreport/capture/guarded_runner.h"

#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "excreport/capture/quill_warnings.h"
#include "excreport/report/exception_class_info.h"
#include "excreport/report/report_formats.h"

namespace kestrova {
namespace {

std::atomic<bool> reporterInstalled{false};

}  // namespace

std::string CriticalErrorText(std::string_view stepName, std::string_view message) {
  const std::string error = message.empty() ? std::string("General internal error.") : std::string(message);
  return "Critical error at: \"" + std::string(stepName) + "\"\r\nError: \"" + error + "\".";
}

void RunGuardedStep(std::string_view stepName, void (*step)()) noexcept {
  try {
    step();
  } catch (...) {
    const std::exception_ptr error = std::current_exception();
    try {
      if (reporterInstalled.load()) {
        const auto address = reinterpret_cast<std::uintptr_t>(step);
        ReportInternalError(std::string(stepName) + " (Address: " + FormatHex8(address) + ")", address, "", error);
      } else {
        const std::string text = CriticalErrorText(stepName, ExceptionMessage(error)) + "\n";
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
      }
    } catch (...) {
      // Nothing more can be said.
    }
  }
}

void SetInternalErrorReporterInstalled(bool installed) { reporterInstalled.store(installed); }

}  // namespace kestrova
