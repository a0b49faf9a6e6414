#include "excreport/flow/report_collection.h"

#include <algorithm>

#include "excreport/capture/crashed_threads.h"
#include "excreport/capture/process_threads.h"
#include "excreport/capture/program_threads.h"
#include "excreport/capture/safe_memory_read.h"
#include "excreport/dialog/gui_bridge.h"
#include "excreport/report/exception_class_info.h"
#include "excreport/report/system_facts.h"

namespace kestrova {
namespace {

bool IsBesideTheReport(const HandlingRequest& request, pid_t threadId) {
  return threadId == request.ThreadId || threadId == request.WaitingThreadId || threadId == CurrentThreadId();
}

// The threads of this process other than those beside the report, split by whether the
// subsystem's guard started them (the main thread counts with those).
template <class Select>
std::vector<pid_t> SelectThreads(const HandlerState& state, const HandlingRequest& request, Select select) {
  std::vector<pid_t> selected;
  if (request.ProcessId != 0) return selected;  // another process's threads cannot be parked
  for (pid_t threadId : ListThreadIds()) {
    if (IsBesideTheReport(request, threadId)) continue;
    const bool guarded = threadId == state.MainThreadId || state.IsGuardedThread(threadId);
    if (select(threadId, guarded)) selected.push_back(threadId);
  }
  return selected;
}

ThreadStack Block(pid_t threadId, bool main, std::vector<StackEntry> entries, const std::string& name, int priority) {
  ThreadStack block;
  block.Id = static_cast<std::uint32_t>(threadId);
  block.Priority = priority;
  block.Class = name;
  block.Main = main;
  block.Entries = std::move(entries);
  return block;
}

}  // namespace

std::vector<pid_t> ThreadsToWalk(const HandlerState& state, const HandlingRequest& request, std::uint8_t stackFlags) {
  return SelectThreads(state, request, [&](pid_t, bool guarded) {
    return guarded ? (stackFlags & 0x04) != 0 : (stackFlags & 0x08) != 0;
  });
}

std::vector<pid_t> ThreadsToPause(const HandlerState& state, const HandlingRequest& request, std::uint8_t handlingFlags,
                                  pid_t guiThread) {
  return SelectThreads(state, request, [&](pid_t threadId, bool guarded) {
    if (threadId == guiThread) return false;
    // A toolkit's thread (the X event reader, D-Bus) may be needed to show the report.
    if (!guarded) return (handlingFlags & 0x08) != 0 && IsProgramThread(threadId);
    if (threadId == state.MainThreadId && (handlingFlags & 0x04) != 0) return false;
    return (handlingFlags & 0x02) != 0;
  });
}

std::vector<ParkedThread> CrashedProcessThreads(const HandlingRequest& request, std::uint8_t stackFlags) {
  std::vector<ParkedThread> selected;
  if (request.ProcessId == 0 || (stackFlags & 0x0C) == 0) return selected;
  for (ParkedThread& thread : WalkCrashedProcessThreads(request.ProcessId, request.ThreadId)) {
    // Which threads went through the guard is known only inside the process: the main thread
    // counts with the guarded ones, the others with either kind.
    if (thread.ThreadId == request.ProcessId && (stackFlags & 0x04) == 0) continue;
    selected.push_back(std::move(thread));
  }
  return selected;
}

std::vector<ThreadStack> BuildThreadStacks(const HandlerState& state, const HandlingRequest& request,
                                           const std::vector<ParkedThread>& others, const AddressSymbolizer& symbolizer) {
  std::vector<ThreadStack> blocks;
  const bool ownProcess = request.ProcessId == 0;
  const pid_t mainThread = ownProcess ? state.MainThreadId : request.ProcessId;
  blocks.push_back(Block(request.ThreadId, request.ThreadId == mainThread,
                         symbolizer.ResolveStack(request.Frames, request.FirstFrameIsInstruction),
                         ThreadName(request.ThreadId, request.ProcessId), ThreadPriority(request.ThreadId)));
  for (const ParkedThread& thread : others) {
    if (!thread.Answered) continue;
    blocks.push_back(Block(thread.ThreadId, thread.ThreadId == mainThread, symbolizer.ResolveStack(thread.Frames, true),
                           thread.Name, thread.Priority));
  }
  return blocks;
}

ReportData CollectReportData(const HandlerState& state, const HandlingRequest& request, const TQuillModuleOptions& options,
                             std::vector<ThreadStack> threads, const AddressSymbolizer& symbolizer,
                             std::optional<DisplayMode> display, ReportTime time) {
  ReportData data;
  data.GuiProgram = IsGuiProgram();
  const std::string processFolder =
      request.ProcessId != 0 ? "/proc/" + std::to_string(request.ProcessId) : std::string("/proc/self");
  data.Application = CollectApplicationInfo(state.ApplicationVersion, state.Module.BuildDate, processFolder);

  ExceptionRecordData& exception = data.Exception;
  exception.Time = time;
  exception.Address = request.Address;
  exception.Module = symbolizer.ModulePath(request.Address);
  exception.ModuleOffset = symbolizer.ModuleOffset(request.Address);
  exception.ThreadId = static_cast<std::uint32_t>(request.ThreadId);
  exception.Violation = request.Violation;
  if (request.Exception) {
    const std::optional<ExceptionClassInfo> info = DescribeException(request.Exception);
    exception.ClassName = info ? info->Name : std::string();
    exception.Message = ExceptionMessage(request.Exception);
    try {
      std::rethrow_exception(request.Exception);
    } catch (const std::exception&) {
      exception.IsException = true;
    } catch (...) {
      exception.IsException = false;
    }
  } else {
    exception.ClassName = request.ClassName;
    exception.Message = request.Message;
  }

  data.ActiveControls = request.Controls;
  data.Computer = CollectComputerInfo(display);
  data.System = CollectOperatingSystemInfo();
  data.Network = CollectNetworkInfo();
  data.Threads = std::move(threads);
  if ((options.LogFlags() & 0x10) != 0) data.Modules = CollectLoadedModules(processFolder);

  if (request.Notify.HasContext) data.Registers = request.Notify.Context;
  data.StackBytes = request.StackBytes;
  data.MemoryBytes = request.MemoryBytes;
  if (request.ProcessId == 0 && request.Address != 0) {
    data.MemoryBytes.resize(kMemoryDumpSize);
    data.MemoryBytes.resize(
        SafeReadMemory(reinterpret_cast<const void*>(request.Address), data.MemoryBytes.data(), kMemoryDumpSize));
  }
  return data;
}

}  // namespace kestrova
