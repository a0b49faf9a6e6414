// The send step of the handling flow, filled in by the delivery.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "excreport/flow/quill_events.h"
#include "excreport/options/quill_module_options.h"

namespace kestrova {

// What a send needs from the report that was just made.
struct SendRequest {
  std::shared_ptr<const TQuillModuleOptions> Options;  // a copy of the report's options
  TQuillExceptionRecord Record;
  std::string ReportText;      // the full report
  std::string TextToSend;      // the report, or the whole log with SendFlags bit 2
  std::string LogFileName;     // the resolved log file path
  std::string ScreenshotFile;  // empty when no picture was saved
  std::string LastHtmlPage;    // the page of a CGI program, empty otherwise
  ReportTime Time;             // when the exception was taken
};

// Sends one report; runs on the report thread, or on its own thread with SendFlags bit 7.
// Delivery failures are warnings; an exception that escapes is a failure of the report.
using ReportSender = std::function<void(const SendRequest&)>;

// Until the delivery sets its sender, sending does nothing. Thread-safe.
void SetReportSender(ReportSender sender);
ReportSender CurrentReportSender();

}  // namespace kestrova
