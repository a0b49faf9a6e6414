// Programs that tests run in child processes: started with the test's environment, waited for
// within a limit, their end told as one number.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrova::support {

// Files that take a child's standard output and standard error (created or truncated); an empty
// path leaves that stream the test's own.
struct ChildOutputFiles {
  std::filesystem::path output;
  std::filesystem::path errors;
};

// Starts the program `arguments[0]` with `arguments` as its argument vector and the test's
// environment. Returns the child's id, or -1 after failing the test when it cannot be started.
pid_t StartChild(std::vector<std::string> arguments, const ChildOutputFiles& files = {});

// Waits for the child to end and returns its exit status, or 1000 + the number of the signal
// that ended it. A child still running after `limit` is killed and fails the test; the result is
// then -1, as for a child that never started.
int WaitForChild(pid_t child, std::chrono::seconds limit = std::chrono::seconds(60));

}  // namespace kestrova::support
