// Starting a helper program (the desktop's mail client) and waiting for its end.
#pragma once

#include <string>
#include <vector>

namespace kestrova {

struct LaunchResult {
  bool started = false;  // false: the program could not be started (error says why)
  int exitCode = -1;     // its exit status; -1 when it did not end normally
  std::string error;     // the system's message when it did not start
};

// Runs one command: the first element is the program, looked up in PATH, the rest are its
// arguments, passed as they are (no shell). Blocks until the program has ended. The sending
// step owns its launcher; tests put a recorder in its place.
class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  virtual LaunchResult Run(const std::vector<std::string>& command) = 0;
};

// posix_spawnp and waitpid; the child inherits the environment and the standard streams.
class ProgramLauncherPosix final : public ProgramLauncher {
 public:
  LaunchResult Run(const std::vector<std::string>& command) override;
};

}  // namespace kestrova
