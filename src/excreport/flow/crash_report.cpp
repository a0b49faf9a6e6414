#include "excreport/flow/crash_report.h"

#include <signal.h>
#include <sys/uio.h>

#include <QApplication>
#include <cstring>
#include <memory>
#include <string>

#include "excreport/capture/crash_helper.h"
#include "excreport/capture/process_restart.h"
#include "excreport/flow/handler_state.h"
#include "excreport/flow/handling_request.h"
#include "excreport/flow/report_procedure.h"
#include "excreport/options/module_data.h"
#include "excreport/options/options_publication.h"
#include "excreport/options/options_stream.h"
#include "excreport/report/proc_parsers.h"
#include "excreport/report/system_facts.h"

namespace kestrova {
namespace {

std::uint64_t Register(const CrashRecord& record, std::string_view name) {
  for (std::size_t i = 0; i < kCrashRegisterNames.size(); ++i)
    if (kCrashRegisterNames[i] == name) return record.Registers[i];
  return 0;
}

std::vector<std::uint8_t> ReadProcessMemory(pid_t processId, std::uintptr_t address, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  iovec local{bytes.data(), size};
  iovec remote{reinterpret_cast<void*>(address), size};
  const ssize_t read = ::process_vm_readv(processId, &local, 1, &remote, 1, 0);
  bytes.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
  return bytes;
}

void DescribeSignal(const CrashRecord& record, HandlingRequest& request) {
  if (record.Signal == SIGSEGV || record.Signal == SIGBUS) {
    request.ClassName = "EAccessViolation";
    if (record.Access != FaultAccess::kUnknown)
      request.Violation = AccessViolation{record.Access == FaultAccess::kWrite, record.FaultAddress};
    request.Message = "Access violation";
  } else {
    request.ClassName = "EExternalException";
    const char* name = sigabbrev_np(record.Signal);
    request.Message = "External exception: signal SIG" + std::string(name != nullptr ? name : "?") + " (" +
                      std::string(strsignal(record.Signal)) + ")";
  }
  request.FirstFrameIsInstruction = true;
  request.Address = record.InstructionPointer;
}

// The registers of the fault, or of the throw of an uncaught exception, and the stack there.
void TakeRegisters(const CrashRecord& record, HandlingRequest& request) {
  request.Notify.HasContext = true;
  RegisterContext& context = request.Notify.Context;
  for (const RegisterColumn& column : kRegisterColumns) context.*column.Value = Register(record, column.Name);
  request.StackBytes.assign(record.StackMemory, record.StackMemory + record.StackMemorySize);
}

// The crashed program may have changed its options at run time; it published them under its
// module handle (the executable's load address there) and process ID. The block is removed.
void TakePublishedOptions(const CrashRecord& record, TQuillModuleOptions& options) {
  const std::string folder = "/proc/" + std::to_string(record.ProcessId);
  for (const MappedFile& file : ParseMappedFiles(ReadSystemFile((folder + "/maps").c_str()))) {
    if (file.Path != record.ExecutablePath) continue;
    const std::string name = OptionsPublication::BlockName(file.Start, record.ProcessId);
    const std::optional<std::string> payload = OptionsPublication::Read(name);
    // The crashed process ends without removing its block: that falls to the helper.
    OptionsPublication::Remove(name);
    if (!payload || payload->empty()) return;
    ByteReader stream(*payload);
    stream.U8();
    try {
      options.LoadFromStream(stream, kOptionsFormatVersion);
    } catch (const EReadError&) {
      // A torn publication: the data block's options serve.
    }
    return;
  }
}

int ReportCrash(const CrashRecord& record, int argc, char** argv) {
  TQuillModuleData module = ReadExecutableModuleData(false);
  if (!module.CarriesSubsystem) return 1;
  TakePublishedOptions(record, *module.Options);
  HandlerState state(std::move(module));
  state.StartDirectory = record.StartDirectory;
  HandlingRequest request = CrashRequest(record);
  // The helper shows the report the way the crashed program would have.
  std::unique_ptr<QApplication> application;
  if (record.GuiProgram) application = std::make_unique<QApplication>(argc, argv);
  std::lock_guard lock(state.HandlerLock);
  RunReportProcedure(state, request);
  return 0;
}

}  // namespace

HandlingRequest CrashRequest(const CrashRecord& record) {
  HandlingRequest request;
  request.ProcessId = record.ProcessId;
  request.ThreadId = record.ThreadId;
  request.WaitingThreadId = record.ThreadId;
  request.Frames.assign(record.Frames, record.Frames + std::min(record.FrameCount, kMaxStackFrames));
  if (record.Kind == CrashKind::kFatalSignal) {
    DescribeSignal(record, request);
  } else {
    request.ClassName = record.ExceptionClass[0] != '\0' ? record.ExceptionClass : "Exception";
    request.Message = record.ExceptionMessage;
    // Frame 0 of a throw site is the return address behind the throw.
    request.Address = record.InstructionPointer != 0 ? record.InstructionPointer - 1 : 0;
  }
  if (record.HasRegisters) TakeRegisters(record, request);
  if (request.Address != 0) request.MemoryBytes = ReadProcessMemory(record.ProcessId, request.Address, kMemoryDumpSize);
  request.CrashedCommand = CrashedProgramCommand(record);
  return request;
}

std::optional<int> RunCrashReportHelperIfRequested(int argc, char** argv) {
  return RunCrashHelperIfRequested(argc, argv,
                                   [argc, argv](const CrashRecord& record) mutable { return ReportCrash(record, argc, argv); });
}

}  // namespace kestrova
