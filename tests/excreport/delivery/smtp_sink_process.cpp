// Starting and stopping the aiosmtpd sink.
#include "excreport/delivery/smtp_sink_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace kestrova::test {

SmtpSinkProcess::SmtpSinkProcess() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrova-smtp-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder_ = pattern;
  // Debian's own interpreter has aiosmtpd; the first python3 on PATH may not.
  const std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "smtp_sink.py").string();
  const std::string folder = folder_.string();
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const char* argv[] = {"/usr/bin/python3", script.c_str(), folder.c_str(), nullptr};
  const int spawned =
      posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
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
    std::filesystem::remove_all(folder_);
    throw std::runtime_error("the aiosmtpd sink did not start");
  }
  port_ = static_cast<std::uint16_t>(std::stoi(line));
}

SmtpSinkProcess::~SmtpSinkProcess() {
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::vector<std::string> SmtpSinkProcess::Events() const {
  std::ifstream file(folder_ / "events");
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

std::string SmtpSinkProcess::Message(int n) const {
  std::ifstream file(folder_ / ("message-" + std::to_string(n) + ".eml"), std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace kestrova::test
