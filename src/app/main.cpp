// Process entry of Kestrova: the command line, the virtual ports, the exception reporting,
// then the window with its message loop, or the headless run.
#include <iostream>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "app/exception_reporting_setup.h"
#include "app/headless_run.h"
#include "app/main_form.h"
#include "app/virtual_ports.h"
#include "comport/device/port_map.h"
#include "comsetup/run_setup_dialog.h"
#include "excreport/flow/crash_report.h"
#include "excreport/flow/exception_reporting.h"

namespace {

int RunWindow(int argc, char** argv) {
  kestrova::TApplication application(argc, argv);
  kestrova::InstallExceptionReporting(application);
  // Lets every port's ShowSettingsDialog run the setup dialog.
  kestrova::InstallSetupDialog();
  // The main window; destroying it on the way out closes its port if a tick left it open.
  kestrova::TFMain FMain(application);
  FMain.show();
  return kestrova::TApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  // After a crash this program runs again as the helper that reports it.
  if (const auto exitCode = kestrova::RunCrashReportHelperIfRequested(argc, argv)) return *exitCode;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const kestrova::CommandLine line = kestrova::ParseCommandLine(args);
  switch (line.kind) {
    case kestrova::CommandKind::Help:
      std::cout << kestrova::UsageText();
      return 0;
    case kestrova::CommandKind::Version:
      std::cout << "kestrova " << KESTROVA_VERSION << '\n';
      return 0;
    case kestrova::CommandKind::Invalid:
      std::cerr << "kestrova: " << line.error << "\n\n" << kestrova::UsageText();
      return kestrova::kExitUsage;
    case kestrova::CommandKind::Window:
    case kestrova::CommandKind::Headless:
      break;
  }
  // Their relays are forked before any other thread starts; they end with this object, which
  // the return from main destroys after everything below.
  const kestrova::VirtualPorts virtualPorts(kestrova::PortMap::LoadDefault(), std::cerr);
  // The exception reporting starts before the application object and ends after it.
  kestrova::ExceptionReportingScope reporting;
  if (line.kind == kestrova::CommandKind::Headless) return kestrova::RunHeadless(line.options, argc, argv);
  return RunWindow(argc, argv);
}
