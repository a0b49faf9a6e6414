// Starting the program again with its own command line, for the restart after a report.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "excreport/capture/crash_record.h"

namespace kestrova {

struct ProgramCommand {
  std::string Executable;              // absolute path of the program file
  std::vector<std::string> Arguments;  // argv, argv[0] included
  std::string Directory;               // directory to start in
};

// Notes the current directory as the start directory. Called at install (CrashHandlers does);
// later calls change nothing.
void RememberStartDirectory();

// This process's command: /proc/self/exe, /proc/self/cmdline and the start directory (the
// current directory when none was remembered). Throws std::system_error when /proc fails.
ProgramCommand OwnProgramCommand();

// The crashed process's command, read by its helper while the crashed process waits:
// /proc/PID/cmdline with the executable and start directory of the record.
ProgramCommand CrashedProgramCommand(const CrashRecord& record);

// Starts a new process from `command` in its own process group (so that ending this one does
// not touch it), with no signals blocked; returns its process ID. Throws std::system_error.
pid_t StartProgram(const ProgramCommand& command);

}  // namespace kestrova
