// Hands the program's exception paths to the exception reporting subsystem.
#pragma once

#include "app/application.h"

namespace kestrova {

// After StartExceptionReporting (excreport/exception_reporting.h) and once the application
// object exists: the application's central handler, the thread bodies the ports start and the
// report's random draws go through the subsystem, the delivery sends the reports, and the
// freeze watchdog gets its heartbeat.
// When the subsystem is not installed the handler shows exceptions itself as before.
void InstallExceptionReporting(TApplication& application);

}  // namespace kestrova
