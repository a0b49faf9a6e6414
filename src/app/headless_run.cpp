#include "app/headless_run.h"

#include <QCoreApplication>
#include <clocale>
#include <iostream>
#include <string>

#include "app/exception_reporting_setup.h"
#include "app/headless_loop.h"
#include "app/locale_separators.h"
#include "app/stored_port_settings.h"
#include "app/tick_port.h"
#include "app/tick_reading.h"
#include "comport/com_port.h"
#include "excreport/flow/capture_paths.h"

namespace kestrova {
namespace {

// A failure that is not a bad reading: the subsystem writes the report to stdout after its
// prefix and logs it; without the subsystem the message goes to stderr.
void ReportFailure(const std::exception_ptr& error) {
  if (ReportApplicationException(error)) return;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::cerr << "kestrova: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "kestrova: an exception of an unknown kind was raised\n";
  }
}

}  // namespace

int RunHeadless(const HeadlessOptions& options, int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Kestrova"));
  // As the window's application object: the C library writes numbers in C notation, and the
  // formatter reads its separators from the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  ReadSeparatorsFromLocale();
  InstallExceptionReporting(application);

  TComPort port;
  LoadStoredPortSettings(port);
  port.SetPort(options.port);
  // The window's tick without its failure filter: the first bad reading ends the run.
  TickPort steps(port, std::cerr);
  const TickInputs inputs{.fixed = options.fixed,
                          .fixedText = options.fixedText,
                          .lowText = options.lowText,
                          .highText = options.highText};
  auto tick = [&] {
    std::string frame = TickFrame(inputs, options.mask);
    steps.Send(frame);
    frame.pop_back();  // the byte 13 ends the frame on the line; stdout gets a line end
    return frame;
  };

  HeadlessLoop loop(tick, options.intervalMs, options.count, std::cout, std::cerr, ReportFailure);
  return loop.Exec();
}

}  // namespace kestrova
