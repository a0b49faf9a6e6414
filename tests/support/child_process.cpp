#include "support/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace kestrova::support {

pid_t StartChild(std::vector<std::string> arguments, const ChildOutputFiles& files) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  auto redirect = [&actions](int stream, const std::filesystem::path& path) {
    if (!path.empty()) posix_spawn_file_actions_addopen(&actions, stream, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  };
  redirect(STDOUT_FILENO, files.output);
  redirect(STDERR_FILENO, files.errors);
  pid_t child = -1;
  const int started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) {
    ADD_FAILURE() << "cannot start " << arguments[0];
    return -1;
  }
  return child;
}

int WaitForChild(pid_t child, std::chrono::seconds limit) {
  if (child < 0) return -1;
  int status = 0;
  const auto end = std::chrono::steady_clock::now() + limit;
  pid_t ended = 0;
  while ((ended = ::waitpid(child, &status, WNOHANG)) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      ADD_FAILURE() << "child " << child << " did not end within " << limit.count() << " s";
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (ended != child) {
    ADD_FAILURE() << "cannot wait for child " << child;
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

}  // namespace kestrova::support
