#include "excreport/capture/process_threads.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>

namespace kestrova {

// signal-safe
pid_t CurrentThreadId() { return ::gettid(); }  // gettid (syscall)

std::vector<pid_t> ListThreadIds() {
  std::vector<pid_t> ids;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error)) {
    const std::string name = entry.path().filename().string();
    pid_t id = 0;
    auto [end, result] = std::from_chars(name.data(), name.data() + name.size(), id);
    if (result == std::errc() && end == name.data() + name.size()) ids.push_back(id);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::string ThreadName(pid_t threadId, pid_t processId) {
  const std::string process = processId != 0 ? std::to_string(processId) : std::string("self");
  std::ifstream comm("/proc/" + process + "/task/" + std::to_string(threadId) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

int ThreadPriority(pid_t threadId) {
  // On Linux the "process" of PRIO_PROCESS is a thread ID: each thread has its own nice value.
  // -1 is a valid answer, so errno tells failure apart.
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(threadId));
  return errno == 0 ? nice : 0;
}

}  // namespace kestrova
