// Runs a Python server script on 127.0.0.1 for one test: the port comes from its first line.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrova::test {

// A new empty folder under the temporary folder, named prefix + a unique suffix.
std::filesystem::path MakeTempFolder(const std::string& prefix);

// A port of 127.0.0.1 that nobody listens on (just given out by the system and released).
std::uint16_t UnusedLoopbackPort();

class ScriptServerProcess final {
 public:
  // Starts Debian's /usr/bin/python3 with the script (a file beside this one) and args, and
  // waits for the port it prints on its first line; throws when it does not come up.
  ScriptServerProcess(const std::string& script, const std::vector<std::string>& args);
  // Stops the server it started.
  ~ScriptServerProcess();
  ScriptServerProcess(const ScriptServerProcess&) = delete;
  ScriptServerProcess& operator=(const ScriptServerProcess&) = delete;

  std::uint16_t Port() const { return port_; }

 private:
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace kestrova::test
