// Crash paths and the end of the program, in child processes running handling_probe.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "excreport/flow/handling_fixture.h"
#include "excreport/log/log_file.h"
#include "support/child_process.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct ProbeRun {
  int exitStatus = -1;
  pid_t processId = 0;
  std::string output;  // standard output
  std::string errors;  // standard error
};

std::string ReadText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Whether a block of options published by process `processId` is in /dev/shm.
bool PublishedBy(pid_t processId) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08X", static_cast<unsigned>(processId));
  for (const auto& entry : fs::directory_iterator("/dev/shm")) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("MODULE") && name.ends_with(suffix)) return true;
  }
  return false;
}

class HandlingCrash : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::path(KESTROVA_BINARY_DIR) / ("handling-crash-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Starts `program` (the probe by default) with its output going to files of the folder.
  pid_t Start(std::vector<std::string> arguments, std::string program = HANDLING_PROBE_PATH) {
    arguments.insert(arguments.begin(), std::move(program));
    ::setenv("PROBE_LOG_FOLDER", folder_.c_str(), 1);
    return support::StartChild(std::move(arguments), {folder_ / "stdout.txt", folder_ / "stderr.txt"});
  }

  ProbeRun Finish(pid_t child) {
    ProbeRun run;
    run.processId = child;
    run.exitStatus = support::WaitForChild(child);
    run.output = ReadText(folder_ / "stdout.txt");
    run.errors = ReadText(folder_ / "stderr.txt");
    return run;
  }

  ProbeRun Run(std::vector<std::string> arguments, std::string program = HANDLING_PROBE_PATH) {
    return Finish(Start(std::move(arguments), std::move(program)));
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
  // "address (module+offset)"
  const std::string addressItem = log.ItemValue("2.2", 0);
  const std::string address = addressItem.substr(0, addressItem.find(' '));
  EXPECT_TRUE(addressItem.starts_with(address + " (handling_probe+") && addressItem.ends_with(")")) << addressItem;
  EXPECT_EQ(log.ItemValue("2.5", 0),
            "Access violation at address " + address + " in module 'handling_probe'. Write of address 00001230.");
  const std::vector<std::string> row = testing::FirstExceptionThreadRow(report);
  ASSERT_GE(row.size(), 5u) << report;
  EXPECT_EQ(row[0], address);
  EXPECT_EQ(row[4], "WriteToKnownAddress");
  // The CPU part shows the faulting instruction pointer among the registers.
  const std::size_t cpu = report.find("RIP: ");
  ASSERT_NE(cpu, std::string::npos) << report;
  EXPECT_EQ(std::stoull(report.substr(cpu + 5, 16), nullptr, 16), std::stoull(address, nullptr, 16));
}

// Under address-space randomisation the probe's code lies elsewhere at every start; the same
// fault is still recognised as the one already logged.
TEST_F(HandlingCrash, DuplicateIsRecognisedInTheNextRun) {
  const ProbeRun first = Run({"duplicate"});
  EXPECT_EQ(first.exitStatus, 0);
  const ProbeRun second = Run({"duplicate"});
  EXPECT_EQ(second.exitStatus, 0);
  TLogFile log(LogPath(), true);
  EXPECT_EQ(log.ReportCount(), 1) << first.output << second.output;
  // Both runs showed their report on the console, each with its own absolute address.
  const auto absolute = [](const std::string& output) {
    const std::size_t item = output.find("  2.2 ");
    const std::size_t colon = output.find(": ", item);
    return item == std::string::npos ? std::string() : output.substr(colon + 2, output.find(' ', colon + 2) - colon - 2);
  };
  EXPECT_FALSE(absolute(first.output).empty()) << first.output;
  if (absolute(first.output) == absolute(second.output)) std::printf("note: both runs had the same addresses\n");
}

TEST_F(HandlingCrash, NoPublishedOptionsAreLeftAfterACrashOrAKill) {
  // The helper removes the crashed process's block.
  const ProbeRun crashed = Run({"segv"});
  EXPECT_EQ(crashed.exitStatus, 1);
  EXPECT_FALSE(PublishedBy(crashed.processId));

  // A killed process cannot: the next start removes its block.
  const pid_t killed = Start({"wait"});
  bool published = false;
  for (int i = 0; i < 3000 && !published; ++i) {
    if (ReadText(folder_ / "stdout.txt") == "ready\n") published = PublishedBy(killed);
    if (!published) std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(published);
  ::kill(killed, SIGKILL);
  EXPECT_EQ(Finish(killed).exitStatus, 1000 + SIGKILL);
  EXPECT_TRUE(PublishedBy(killed));
  const ProbeRun next = Run({"none"});
  EXPECT_EQ(next.exitStatus, 4);
  EXPECT_FALSE(PublishedBy(killed));
  EXPECT_FALSE(PublishedBy(next.processId));  // and a normal end removes its own
}

TEST_F(HandlingCrash, RefusedDataBlockSaysThatReportingIsOff) {
  const fs::path program = folder_ / "tampered_probe";
  fs::copy_file(HANDLING_PROBE_PATH, program);
  std::ofstream(folder_ / "garbage.bin", std::ios::binary) << "not a data block at all";
  const std::string command = "objcopy --update-section QMDATA=" + (folder_ / "garbage.bin").string() + " " + program.string();
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const ProbeRun run = Run({"none"}, program.string());
  EXPECT_EQ(run.exitStatus, 6);
  EXPECT_EQ(run.errors, "tampered_probe: exception reporting is off: the data block is damaged (no block mark)\n");
}

TEST_F(HandlingCrash, CrashReportCarriesEveryThreadWithItsName) {
  const ProbeRun run = Run({"segv-threads"});
  EXPECT_EQ(run.exitStatus, 1);
  ASSERT_TRUE(fs::exists(LogPath())) << run.output;
  TLogFile log(LogPath(), true);
  ASSERT_EQ(log.ReportCount(), 1);
  const std::string& report = log.Report(0);
  const std::string id = std::to_string(run.processId);
  const std::size_t exceptionThread = report.find("|Exception Thread: ID=" + id + "; ");
  ASSERT_NE(exceptionThread, std::string::npos) << report;
  const std::string bannerLine = report.substr(exceptionThread, report.find("\r\n", exceptionThread) - exceptionThread);
  EXPECT_NE(bannerLine.find("; Class=handling_probe; Main"), std::string::npos) << bannerLine;
  for (const char* name : {"probe-worker-1", "probe-worker-2"}) {
    const std::size_t banner = report.find("Class=" + std::string(name));
    ASSERT_NE(banner, std::string::npos) << name << " in\n" << report;
    const std::size_t line = report.rfind("\r\n", banner) + 2;
    EXPECT_EQ(report.compare(line, 17, "|Running Thread: "), 0) << report.substr(line, banner - line);
    // The worker's stack was walked: it waits in pause(), called from the probe's own code. The
    // block ends at the next banner or at the table's closing rule.
    const std::size_t end = std::min(report.find("\r\n|Running Thread: ", banner), report.find("\r\n-", banner));
    const std::string block = report.substr(banner, end == std::string::npos ? std::string::npos : end - banner);
    EXPECT_NE(block.find("|handling_probe"), std::string::npos) << block;
  }
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
