// A console program with the exception reporting installed, for handling_crash_test. Run as
// "handling_probe MODE [MARKER]"; the log goes to the folder named by PROBE_LOG_FOLDER. An
// unknown mode (say "none") starts and stops the subsystem and ends with code 4; without a valid
// data block the probe ends with code 6.
#include <unistd.h>

#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "excreport/flow/crash_report.h"
#include "excreport/flow/exception_manager.h"
#include "excreport/flow/exception_reporting.h"
#include "excreport/flow/handler_state.h"

namespace kestrova::testing {

class EProbeFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

__attribute__((noinline)) void ThrowUncaught() { throw EProbeFailure("nobody catches this"); }

__attribute__((noinline)) void WriteToKnownAddress() {
  *reinterpret_cast<volatile int*>(0x1230) = 7;
  asm volatile("");
}

// An exception the program catches and hands to the subsystem, as a central handler would.
__attribute__((noinline)) bool HandOver(int round) {
  try {
    throw EProbeFailure("round " + std::to_string(round));
  } catch (...) {
    const std::exception_ptr exception = std::current_exception();
    return ExceptionManager(&exception, 0, 0, 0);
  }
}

}  // namespace kestrova::testing

int main(int argc, char** argv) {
  using namespace kestrova;
  using namespace kestrova::testing;
  if (const auto code = RunCrashReportHelperIfRequested(argc, argv)) return *code;
  if (argc < 2) return 3;
  ExceptionReportingScope reporting;
  if (TheHandlerState() == nullptr) return 6;  // the data block was refused: reporting is off
  TQuillModuleOptionsEx& options = CurrentModuleOptions();
  if (const char* folder = std::getenv("PROBE_LOG_FOLDER")) options.SetLogFolder(folder);
  const std::string mode = argv[1];
  if (mode == "uncaught") ThrowUncaught();
  if (mode == "segv") WriteToKnownAddress();
  if (mode == "segv-threads") {  // two named workers wait while the main thread crashes
    options.SetStackFlags(options.StackFlags() | 0x0C);
    std::atomic<int> waiting{0};
    for (const char* name : {"probe-worker-1", "probe-worker-2"}) {
      std::thread([name, &waiting] {
        ::pthread_setname_np(::pthread_self(), name);
        ++waiting;
        for (;;) ::pause();
      }).detach();
    }
    while (waiting < 2) std::this_thread::yield();
    WriteToKnownAddress();
  }
  if (mode == "wait") {  // until killed
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) ::pause();
  }
  if (mode == "restart" && argc == 3) {
    // The restarted instance finds the marker and says so.
    if (std::filesystem::exists(argv[2])) {
      std::ofstream(argv[2], std::ios::app) << "second\n";
      return 0;
    }
    std::ofstream(argv[2]) << "first\n";
    // One handled exception within a minute is a repeated crash: end and restart.
    options.SetHandlingFlags(options.HandlingFlags() | 0x01);
    options.SetRepeatCrashCount(1);
    options.SetRepeatCrashAction(1);
    HandOver(1);
    return 5;  // not reached: the rule ends the process
  }
  if (mode == "duplicate") {  // one fault per run; the second run's is a duplicate
    options.SetLogFlags(options.LogFlags() | 0x01);
    HandOver(1);
    return 0;
  }
  if (mode == "repeated") {
    options.SetHandlingFlags(options.HandlingFlags() | 0x01);
    options.SetRepeatCrashCount(3);
    options.SetRepeatCrashAction(0);
    for (int round = 1; round <= 5; ++round) {
      HandOver(round);
      std::printf("handled %d\n", round);
      std::fflush(stdout);
    }
    return 0;
  }
  return 4;
}
