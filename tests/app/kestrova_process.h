// The real kestrova binary started by a test, in a private environment: its own port map,
// runtime folder and log folder. Its stdout and stderr go to files the test reads as it runs.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kestrova::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline std::string FileText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A private folder tree: config/kestrova/ports.conf, a runtime folder (mode 0700). Removed
// with everything in it at the end.
class KestrovaHome final {
 public:
  explicit KestrovaHome(const std::string& portMap = "COM2 = virtual\n") {
    std::string pattern = (fs::temp_directory_path() / "kestrova-home-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    root_ = pattern;
    fs::create_directories(root_ / "config" / "kestrova");
    fs::create_directories(root_ / "runtime");
    fs::permissions(root_ / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    std::ofstream(root_ / "config" / "kestrova" / "ports.conf") << portMap;
  }
  ~KestrovaHome() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  KestrovaHome(const KestrovaHome&) = delete;
  KestrovaHome& operator=(const KestrovaHome&) = delete;

  const fs::path& Root() const { return root_; }
  fs::path Runtime() const { return root_ / "runtime"; }
  fs::path Link(const std::string& port = "COM2") const { return Runtime() / "kestrova" / port; }
  std::vector<std::string> Environment() const {
    return {"XDG_CONFIG_HOME=" + (root_ / "config").string(), "XDG_RUNTIME_DIR=" + Runtime().string(),
            "HOME=" + root_.string(), "QT_QPA_PLATFORM=offscreen"};
  }

 private:
  fs::path root_;
};

class KestrovaProcess final {
 public:
  KestrovaProcess(const KestrovaHome& home, const std::vector<std::string>& args)
      : out_(home.Root() / ("stdout-" + std::to_string(++serial_))),
        err_(home.Root() / ("stderr-" + std::to_string(serial_))) {
    std::vector<std::string> argv{KESTROVA_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::vector<std::string> env = home.Environment();
    pid_ = ::fork();
    if (pid_ == 0) {
      const int out = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
      for (const std::string& entry : env) ::putenv(const_cast<char*>(entry.c_str()));
      std::vector<char*> raw;
      for (const std::string& arg : argv) raw.push_back(const_cast<char*>(arg.c_str()));
      raw.push_back(nullptr);
      ::execv(raw[0], raw.data());
      ::_exit(127);
    }
    EXPECT_GT(pid_, 0);
  }
  ~KestrovaProcess() {
    if (!exitCode_) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }
  KestrovaProcess(const KestrovaProcess&) = delete;
  KestrovaProcess& operator=(const KestrovaProcess&) = delete;

  pid_t Pid() const { return pid_; }
  void Signal(int signal) const { ::kill(pid_, signal); }
  // The exit code, or 128 + the signal that ended it.
  int Wait() {
    if (!exitCode_) {
      int status = 0;
      ::waitpid(pid_, &status, 0);
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return *exitCode_;
  }
  std::string Stdout() const { return FileText(out_); }
  std::string Stderr() const { return FileText(err_); }

 private:
  static inline int serial_ = 0;
  fs::path out_;
  fs::path err_;
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = 10000ms) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

}  // namespace kestrova::testing
