// Starting and stopping the Python test servers.
#include "excreport/delivery/script_server_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace kestrova::test {

std::filesystem::path MakeTempFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

ScriptServerProcess::ScriptServerProcess(const std::string& script,
                                         const std::vector<std::string>& args) {
  // Debian's own interpreter has the server modules; the first python3 on PATH may not.
  // The source folder comes from the build: __FILE__ may be relative (a compiler cache
  // rewrites paths), and the tests run in the build folder.
  const std::string path =
      (std::filesystem::path(KESTROVA_SOURCE_DIR) / "tests/excreport/delivery" / script).string();
  std::vector<const char*> argv = {"/usr/bin/python3", path.c_str()};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const int spawned =
      posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string line;
  pollfd readable{out[0], POLLIN, 0};
  while (spawned == 0 && line.find('\n') == std::string::npos && poll(&readable, 1, 10000) > 0) {
    char buffer[64];
    const ssize_t got = read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    line.append(buffer, static_cast<std::size_t>(got));
  }
  close(out[0]);
  if (spawned != 0 || line.find('\n') == std::string::npos) {
    if (spawned == 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    throw std::runtime_error(script + " did not start");
  }
  port_ = static_cast<std::uint16_t>(std::stoi(line));
}

ScriptServerProcess::~ScriptServerProcess() {
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

std::uint16_t UnusedLoopbackPort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  close(s);
  return ntohs(address.sin_port);
}

}  // namespace kestrova::test
