// Crash paths and the end of the program, in child processes running handling_probe.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "excreport/handling_fixture.h"
#include "excreport/log_file.h"

extern char** environ;

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct ProbeRun {
  int exitStatus = -1;
  std::string output;  // standard output
};

class HandlingCrash : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(KESTROVA_BINARY_DIR) / ("handling-crash-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  ProbeRun Run(std::vector<std::string> arguments) {
    ProbeRun run;
    std::string path = HANDLING_PROBE_PATH;
    const fs::path out = folder_ / "stdout.txt";
    arguments.insert(arguments.begin(), path);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::setenv("PROBE_LOG_FOLDER", folder_.c_str(), 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = -1;
    const int started = posix_spawn(&child, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
      ADD_FAILURE() << "cannot start " << path;
      return run;
    }
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (waitpid(child, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > end) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        ADD_FAILURE() << "the probe did not end";
        return run;
      }
      std::this_thread::sleep_for(10ms);
    }
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    std::ifstream file(out, std::ios::binary);
    run.output.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return run;
  }

  std::string LogPath() const { return (folder_ / "handling_probe.qmf").string(); }

  fs::path folder_;
};

TEST_F(HandlingCrash, UncaughtExceptionIsReportedByTheHelperAndEndsWithCodeOne) {
  const ProbeRun run = Run({"uncaught"});
  EXPECT_EQ(run.exitStatus, 1);
  ASSERT_TRUE(fs::exists(LogPath())) << run.output;
  TLogFile log(LogPath(), true);
  ASSERT_EQ(log.ReportCount(), 1);
  EXPECT_EQ(log.ItemValue("2.4", 0), "EProbeFailure");
  EXPECT_EQ(log.ItemValue("2.5", 0), "nobody catches this.");
  const std::vector<std::string> row = testing::FirstExceptionThreadRow(log.Report(0));
  ASSERT_GE(row.size(), 5u) << log.Report(0);
  EXPECT_EQ(row[4], "ThrowUncaught");
  // A console program: the helper wrote the report to the standard output it shares.
  EXPECT_NE(run.output.find("nobody catches this."), std::string::npos);
}

TEST_F(HandlingCrash, SegmentationFaultCarriesTheAccessViolationAndItsRegisters) {
  const ProbeRun run = Run({"segv"});
  EXPECT_EQ(run.exitStatus, 1);
  ASSERT_TRUE(fs::exists(LogPath())) << run.output;
  TLogFile log(LogPath(), true);
  ASSERT_EQ(log.ReportCount(), 1);
  const std::string& report = log.Report(0);
  EXPECT_EQ(log.ItemValue("2.4", 0), "EAccessViolation");
  const std::string address = log.ItemValue("2.2", 0);
  EXPECT_EQ(log.ItemValue("2.5", 0),
            "Access violation at address " + address + " in module 'handling_probe'. Write of address 00001230.");
  const std::vector<std::string> row = testing::FirstExceptionThreadRow(report);
  ASSERT_GE(row.size(), 5u) << report;
  EXPECT_EQ(row[0], address);
  EXPECT_EQ(row[4], "WriteToKnownAddress");
  // The CPU part shows the faulting instruction pointer among the registers.
  const std::size_t cpu = report.find("EIP: ");
  ASSERT_NE(cpu, std::string::npos) << report;
  EXPECT_EQ(report.substr(cpu + 5, address.size()), address);
}

TEST_F(HandlingCrash, TerminationWithRestartStartsANewInstanceBeforeTheOldOneEnds) {
  const fs::path marker = folder_ / "marker.txt";
  const ProbeRun run = Run({"restart", marker.string()});
  EXPECT_EQ(run.exitStatus, 1);
  std::string text;
  for (int i = 0; i < 500 && text.find("second") == std::string::npos; ++i) {
    std::this_thread::sleep_for(10ms);
    std::ifstream file(marker);
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  EXPECT_EQ(text, "first\nsecond\n");
}

TEST_F(HandlingCrash, RepeatedCrashRuleEndsTheProgram) {
  const ProbeRun run = Run({"repeated"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.output.find("handled 2\n"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("handled 3\n"), std::string::npos);
  EXPECT_EQ(TLogFile(LogPath(), true).ReportCount(), 3);
}

}  // namespace
}  // namespace kestrova
