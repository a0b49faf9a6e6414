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

namespace kestrova {

// Start-up, each step guarded: "ECore.Init" (the core), "EHook.Init" (the registry of capture
// paths), "ExceptionLog.Init" (the handler: reads the options from the executable's data
// block and, when it carries a valid one, installs the capture paths: the __cxa_throw hook,
// std::terminate and the fatal signals). Without a valid block nothing is installed. Call on
// the main thread before other threads start. A second call does nothing.
void StartExceptionReporting();

// Shutdown in reverse order: "ExceptionLog.Done" (waits for a report under way, stops the
// freeze watchdog, restores std::terminate and the signals, frees the state), "EHook.Done"
// (removes the other capture paths in reverse order). The core holds nothing to undo. Does
// nothing unless started.
void StopExceptionReporting();

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
