#include "excreport/capture/process_restart.h"

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

extern char** environ;

namespace kestrova {
namespace {

std::mutex startDirectoryMutex;
std::string startDirectory;

std::vector<std::string> ReadCommandLine(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::system_error(errno, std::generic_category(), path);
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  std::vector<std::string> arguments;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\0', start);
    arguments.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return arguments;
}

// Turns a failed posix_spawn* call into an exception; these return the error number.
void Check(int error, const char* what) {
  if (error != 0) throw std::system_error(error, std::generic_category(), what);
}

}  // namespace

void RememberStartDirectory() {
  std::lock_guard lock(startDirectoryMutex);
  if (startDirectory.empty()) startDirectory = std::filesystem::current_path().string();
}

ProgramCommand OwnProgramCommand() {
  ProgramCommand command;
  command.Executable = std::filesystem::read_symlink("/proc/self/exe").string();
  command.Arguments = ReadCommandLine("/proc/self/cmdline");
  std::lock_guard lock(startDirectoryMutex);
  command.Directory =
      startDirectory.empty() ? std::filesystem::current_path().string() : startDirectory;
  return command;
}

ProgramCommand CrashedProgramCommand(const CrashRecord& record) {
  return ProgramCommand{record.ExecutablePath,
                        ReadCommandLine("/proc/" + std::to_string(record.ProcessId) + "/cmdline"),
                        record.StartDirectory};
}

pid_t StartProgram(const ProgramCommand& command) {
  std::vector<char*> argv;
  for (const std::string& argument : command.Arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  Check(posix_spawn_file_actions_init(&actions), "posix_spawn_file_actions_init");
  posix_spawnattr_t attributes;
  if (int error = posix_spawnattr_init(&attributes); error != 0) {
    posix_spawn_file_actions_destroy(&actions);
    Check(error, "posix_spawnattr_init");
  }
  sigset_t noSignals;
  sigemptyset(&noSignals);
  int error = posix_spawn_file_actions_addchdir_np(&actions, command.Directory.c_str());
  if (error == 0)
    error = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  if (error == 0) error = posix_spawnattr_setpgroup(&attributes, 0);
  if (error == 0) error = posix_spawnattr_setsigmask(&attributes, &noSignals);
  pid_t child = -1;
  if (error == 0)
    error = posix_spawn(&child, command.Executable.c_str(), &actions, &attributes, argv.data(),
                        environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  Check(error, "posix_spawn");
  return child;
}

}  // namespace kestrova
