#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "excreport/delivery/program_launcher.h"

extern char** environ;

namespace kestrova {

LaunchResult ProgramLauncherPosix::Run(const std::vector<std::string>& command) {
  LaunchResult result;
  if (command.empty()) {
    result.error = std::strerror(ENOENT);
    return result;
  }
  std::vector<char*> argv;
  argv.reserve(command.size() + 1);
  for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int error = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
  if (error != 0) {
    result.error = std::strerror(error);
    return result;
  }
  result.started = true;
  int status = 0;
  pid_t waited = 0;
  do {
    waited = waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited == child && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace kestrova
