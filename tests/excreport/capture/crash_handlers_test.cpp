#include "excreport/capture/crash_handlers.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

struct ProbeRun {
  int exitStatus = -1;
  std::map<std::string, std::string> record;  // what the helper received, by key
  int records = 0;                            // how many reports the helper wrote
  std::uintptr_t rangeStart = 0, rangeEnd = 0;
  std::string crashedPid, crashedTid;  // of the thread that wrote the range
};

// Runs crash_probe MODE in a child process and collects what its helper wrote.
ProbeRun RunProbe(const std::string& mode) {
  const fs::path out = fs::temp_directory_path() /
                       ("kestrova-crash-" + std::to_string(getpid()) + "-" + mode + ".txt");
  fs::remove(out);
  setenv("CRASH_PROBE_OUT", out.c_str(), 1);
  ProbeRun run;
  run.exitStatus = support::WaitForChild(support::StartChild({CRASH_PROBE_PATH, mode}));
  std::ifstream file(out);
  for (std::string line; std::getline(file, line);) {
    const std::size_t space = line.find(' ');
    if (line.starts_with("kind ")) ++run.records;
    run.record[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
  }
  std::ifstream(out.string() + ".range") >> run.rangeStart >> run.rangeEnd >> run.crashedPid >>
      run.crashedTid;
  fs::remove(out);
  fs::remove(out.string() + ".range");
  return run;
}

std::vector<std::uintptr_t> Numbers(const std::string& text) {
  std::vector<std::uintptr_t> numbers;
  std::istringstream in(text);
  for (std::uintptr_t n; in >> n;) numbers.push_back(n);
  return numbers;
}

struct CrashCase {
  const char* mode;
  int kind;
  int signal;
  std::uintptr_t faultAddress;
  int access;  // FaultAccess
  const char* className;
  const char* message;
};

TEST(CrashHandlers, EachCrashReachesTheHelperAndEndsWithCodeOne) {
  const CrashCase cases[] = {
      {"segv-write", 1, SIGSEGV, 0x1230, 2, "", ""},
      {"segv-read", 1, SIGSEGV, 0x1238, 1, "", ""},
      {"segv-two-threads", 1, SIGSEGV, 0x1230, 2, "", ""},
      {"abort", 1, SIGABRT, 0, 0, "", ""},
      {"uncaught", 2, 0, 0, 0, "EProbeFailure", "nobody catches this"},
  };
  for (const CrashCase& c : cases) {
    SCOPED_TRACE(c.mode);
    const ProbeRun run = RunProbe(c.mode);
    EXPECT_EQ(run.exitStatus, 1);
    ASSERT_EQ(run.records, 1) << "the helper's callback must run once";
    const auto& r = run.record;
    EXPECT_EQ(r.at("kind"), std::to_string(c.kind));
    EXPECT_EQ(r.at("signal"), std::to_string(c.signal));
    EXPECT_EQ(r.at("fault"), std::to_string(c.faultAddress));
    EXPECT_EQ(r.at("access"), std::to_string(c.access));
    EXPECT_EQ(r.at("class"), c.className);
    EXPECT_EQ(r.at("message"), c.message);
    EXPECT_EQ(r.at("pid"), run.crashedPid);
    if (c.mode != std::string("segv-two-threads")) {
      EXPECT_EQ(r.at("tid"), run.crashedTid);
    }
    EXPECT_EQ(r.at("arguments"), std::string(CRASH_PROBE_PATH) + " " + c.mode);
    EXPECT_EQ(fs::path(r.at("directory")), fs::current_path());

    // The failing function is found on the recorded stack: at frame 0 for a fault (the
    // faulting instruction) and for an uncaught exception (its throw site), a few frames down
    // for abort, which fails inside the C library.
    const std::vector<std::uintptr_t> stack = Numbers(r.at("stack"));
    ASSERT_FALSE(stack.empty());
    int found = -1;
    for (std::size_t i = 0; i < stack.size() && i < 8 && found < 0; ++i) {
      const std::uintptr_t address = i == 0 && c.kind == 1 ? stack[i] : stack[i] - 1;
      if (address >= run.rangeStart && address < run.rangeEnd) found = static_cast<int>(i);
    }
    if (c.signal == SIGSEGV || c.kind == 2) {
      EXPECT_EQ(found, 0);
      EXPECT_EQ(r.at("ip"), std::to_string(stack[0]));
    } else {
      EXPECT_GT(found, 0);
    }
    if (c.kind == 1) {
      EXPECT_EQ(r.at("rip"), r.at("ip"));
      EXPECT_EQ(r.at("stackbytes"), "256");
    }
  }
}

TEST(CrashHandlers, OneInstallationAtATimeAndRestoredAfterwards) {
  struct sigaction before {};
  sigaction(SIGSEGV, nullptr, &before);
  {
    CrashHandlers handlers;
    EXPECT_THROW(CrashHandlers(), std::logic_error);
    struct sigaction during {};
    sigaction(SIGSEGV, nullptr, &during);
    EXPECT_NE(during.sa_sigaction, before.sa_sigaction);
    EXPECT_TRUE(during.sa_flags & SA_ONSTACK);
  }
  struct sigaction after {};
  sigaction(SIGSEGV, nullptr, &after);
  EXPECT_EQ(after.sa_sigaction, before.sa_sigaction);
  CrashHandlers again;  // installable again once the first is gone
}

}  // namespace
}  // namespace kestrova
