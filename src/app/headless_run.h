// The headless run: the window's transmit tick without a window, for rigs and machines
// without a display.
#pragma once

#include "app/command_line.h"

namespace kestrova {

// Runs the transmit loop of `options` on a console application object until --count, Ctrl-C
// or SIGTERM, and returns the exit code (command_line.h). The port has the window's stored
// settings on options.port; each tick is the window's own (the same readings and random
// sequence, formatter and port steps, port failures dropped), its text echoed on stdout.
// Port state changes go to stderr. A failure other than a bad reading is reported by the
// exception reporting subsystem as a console program's (the report on stdout after its
// prefix, and the log) and ends the run with exit code 1.
int RunHeadless(const HeadlessOptions& options, int argc, char** argv);

}  // namespace kestrova
