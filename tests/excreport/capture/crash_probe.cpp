// Crashes on request, for crash_handlers_test. Run as "crash_probe MODE"; the helper it starts
// writes what it received to the file named by CRASH_PROBE_OUT, and the crashing side writes
// the address range of the function that fails to CRASH_PROBE_OUT.range beforehand.
#include <dlfcn.h>
#include <link.h>
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "excreport/capture/crash_handlers.h"
#include "excreport/capture/crash_helper.h"
#include "excreport/capture/process_restart.h"
#include "excreport/capture/process_threads.h"
#include "excreport/capture/throw_site.h"

namespace kestrova::testing {

class EProbeFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

__attribute__((noinline)) void WriteToKnownAddress() {
  *reinterpret_cast<volatile int*>(0x1230) = 7;
  asm volatile("");
}

__attribute__((noinline)) int ReadFromKnownAddress() {
  const int value = *reinterpret_cast<volatile int*>(0x1238);
  asm volatile("");
  return value;
}

// Two threads fault at once; only one report may come of it.
__attribute__((noinline)) void FaultOnTwoThreads() {
  static std::atomic<int> ready{0};
  std::thread other([] {
    ++ready;
    while (ready < 2) {
    }
    WriteToKnownAddress();
  });
  ++ready;
  while (ready < 2) {
  }
  WriteToKnownAddress();
  other.join();
}

__attribute__((noinline)) void ThrowUncaught() {
  throw EProbeFailure("nobody catches this");
}

__attribute__((noinline)) void AbortHere() {
  std::abort();
}

}  // namespace kestrova::testing

namespace {

using namespace kestrova;

std::string OutPath() {
  const char* path = std::getenv("CRASH_PROBE_OUT");
  return path != nullptr ? path : "/dev/null";
}

int WriteRecord(const CrashRecord& record) {
  // Appended: a second report of the same crash would show up as a second record.
  std::ofstream out(OutPath(), std::ios::app);
  out << "kind " << static_cast<int>(record.Kind) << '\n'
      << "pid " << record.ProcessId << '\n'
      << "tid " << record.ThreadId << '\n'
      << "signal " << record.Signal << '\n'
      << "code " << record.SignalCode << '\n'
      << "fault " << record.FaultAddress << '\n'
      << "access " << static_cast<int>(record.Access) << '\n'
      << "ip " << record.InstructionPointer << '\n'
      << "rip " << (record.HasRegisters ? record.Registers[16] : 0) << '\n'
      << "frames " << record.FrameCount << '\n'
      << "stackbytes " << record.StackMemorySize << '\n'
      << "class " << record.ExceptionClass << '\n'
      << "message " << record.ExceptionMessage << '\n'
      << "directory " << record.StartDirectory << '\n';
  // The crashed process is still there, waiting for this helper: its command line is readable.
  const ProgramCommand command = CrashedProgramCommand(record);
  out << "stack";
  for (std::size_t i = 0; i < record.FrameCount; ++i) out << ' ' << record.Frames[i];
  out << '\n';
  out << "arguments";
  for (const std::string& argument : command.Arguments) out << ' ' << argument;
  out << '\n';
  return 0;
}

void WriteRange(const void* function) {
  Dl_info info{};
  void* entry = nullptr;
  dladdr1(function, &info, &entry, RTLD_DL_SYMENT);
  const auto* symbol = static_cast<const ElfW(Sym)*>(entry);
  const auto start = reinterpret_cast<std::uintptr_t>(function);
  std::ofstream(OutPath() + ".range") << start << ' ' << start + (symbol ? symbol->st_size : 0)
                                      << ' ' << getpid() << ' ' << CurrentThreadId() << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto exitCode = RunCrashHelperIfRequested(argc, argv, WriteRecord)) return *exitCode;
  if (argc < 2) return 3;
  InstallThrowHook();
  CrashHandlers handlers;
  const std::string mode = argv[1];
  using namespace kestrova::testing;
  if (mode == "segv-write") {
    WriteRange(reinterpret_cast<void*>(&WriteToKnownAddress));
    WriteToKnownAddress();
  } else if (mode == "segv-two-threads") {
    WriteRange(reinterpret_cast<void*>(&WriteToKnownAddress));
    FaultOnTwoThreads();
  } else if (mode == "segv-read") {
    WriteRange(reinterpret_cast<void*>(&ReadFromKnownAddress));
    return ReadFromKnownAddress();
  } else if (mode == "uncaught") {
    WriteRange(reinterpret_cast<void*>(&ThrowUncaught));
    ThrowUncaught();
  } else if (mode == "abort") {
    WriteRange(reinterpret_cast<void*>(&AbortHere));
    AbortHere();
  }
  return 4;  // not reached for a known mode
}
