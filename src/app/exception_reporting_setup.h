// Hands the program's exception paths to the exception reporting subsystem.
#pragma once

#include <QCoreApplication>

#include "app/application.h"

namespace kestrova {

// After StartExceptionReporting (excreport/exception_reporting.h) and once the application
// object exists: the thread bodies the ports start and the report's random draws go through
// the subsystem, the delivery sends the reports, and the subsystem attaches to the
// application (a crash is shown with a GUI only when it is a GUI application). For the
// headless run, whose failures are reported on the console.
void InstallExceptionReporting(QCoreApplication& application);

// The same for the window, whose central handler also reports through the subsystem. When
// the subsystem is not installed the handler shows exceptions itself as before.
void InstallExceptionReporting(TApplication& application);

}  // namespace kestrova
