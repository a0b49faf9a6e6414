#include "app/exception_reporting_setup.h"

#include "app/random_below.h"
#include "comport/thread_guard.h"
#include "excreport/delivery/send_report.h"
#include "excreport/flow/capture_paths.h"
#include "excreport/flow/exception_reporting.h"
#include "excreport/report/random_draw.h"

namespace kestrova {

void InstallExceptionReporting(QCoreApplication& application) {
  SetRandomDraw(RandomBelow);
  SetThreadBodyGuard(RunReportedThreadBody);
  InstallReportSending();
  AttachExceptionReporting(application);
}

void InstallExceptionReporting(TApplication& application) {
  application.SetExceptionHook(ReportApplicationException);
  InstallExceptionReporting(static_cast<QCoreApplication&>(application));
}

}  // namespace kestrova
