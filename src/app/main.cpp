// Process entry of Kestrova: the exception reporting, the application object, the main window,
// the message loop.
#include "app/application.h"
#include "app/exception_reporting_setup.h"
#include "app/main_form.h"
#include "comsetup/run_setup_dialog.h"
#include "excreport/crash_report.h"
#include "excreport/exception_reporting.h"

int main(int argc, char** argv) {
  // After a crash this program runs again as the helper that reports it.
  if (const auto exitCode = kestrova::RunCrashReportHelperIfRequested(argc, argv)) return *exitCode;
  // The exception reporting starts before the application object and ends after it.
  kestrova::ExceptionReportingScope reporting;
  kestrova::TApplication application(argc, argv);
  kestrova::InstallExceptionReporting(application);
  // Lets every port's ShowSettingsDialog run the setup dialog.
  kestrova::InstallSetupDialog();
  // The main window; destroying it on the way out closes its port if a tick left it open.
  kestrova::TFMain FMain(application);
  FMain.show();
  return kestrova::TApplication::exec();
}
