// Start-up and shutdown of the exception reporting subsystem, and its attachment to the
// application object.
//
// The program entry does, in this order:
//   if (auto code = kestrova::RunCrashReportHelperIfRequested(argc, argv)) return *code;
//   kestrova::ExceptionReportingScope reporting;          // before the QApplication
//   kestrova::SetThreadBodyGuard(kestrova::RunReportedThreadBody);   // comport's thread guard
//   TApplication application(argc, argv);
//   application.SetExceptionHook(kestrova::ReportApplicationException);
//   kestrova::AttachExceptionReporting(application);
#pragma once

#include <QCoreApplication>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// Start-up, each step guarded: "ECore.Init" (the core: warms up the stack walker, removes the
// options published by instances that no longer run), "ESockets.Init" (the socket layer:
// libcurl's global start-up), "EHook.Init" (the registry of capture paths), "ExceptionLog.Init"
// (the handler: reads the options from the executable's data block and, when it carries a
// valid one, installs the capture paths: the __cxa_throw hook, std::terminate and the fatal
// signals). Without a valid block nothing is installed; a block that is present but refused
// says so in one line on standard error. Call on the main thread before other threads start.
// A second call does nothing.
void StartExceptionReporting();

// Shutdown in reverse order: "ExceptionLog.Done" (waits for a report under way, stops the
// freeze watchdog, restores std::terminate and the signals, frees the state), "EHook.Done"
// (removes the other capture paths in reverse order), "ESockets.Done" (libcurl's global
// clean-up), "ECore.Done" (retires the internal-error reporter). Does nothing unless started.
void StopExceptionReporting();

// One start-up or shutdown step and its name, which a critical-error report names.
struct GuardedStep {
  std::string_view Name;
  void (*Run)();
};
const std::vector<GuardedStep>& StartSteps();
const std::vector<GuardedStep>& StopSteps();

// Start-up in the constructor, shutdown in the destructor.
class ExceptionReportingScope final {
 public:
  ExceptionReportingScope() { StartExceptionReporting(); }
  ~ExceptionReportingScope() { StopExceptionReporting(); }
  ExceptionReportingScope(const ExceptionReportingScope&) = delete;
  ExceptionReportingScope& operator=(const ExceptionReportingScope&) = delete;
};

// Once the application object exists, on its thread: a 50 ms timer gives the freeze watchdog
// its heartbeat, and a crash is shown with a GUI by the helper. Undone when the application
// object goes away. Does nothing when the subsystem is not installed.
void AttachExceptionReporting(QCoreApplication& application);

// The version the report shows as item 1.3 ("0.0.0.0" until set).
void SetApplicationVersion(const std::string& version);

}  // namespace kestrova
