// elfutils' libdwfl does what a crash helper needs here: it reads the crashed process's module
// list, stops one thread at a time with ptrace, and unwinds it through the modules' call frame
// information, which code built without frame pointers requires.
#include "excreport/capture/crashed_threads.h"

#include <elfutils/libdwfl.h>

#include <memory>

#include "excreport/capture/process_threads.h"

namespace kestrova {
namespace {

struct ThreadWalk {
  pid_t skipped;
  std::vector<ParkedThread> threads;
};

int AddFrame(Dwfl_Frame* frame, void* argument) {
  auto& frames = *static_cast<StackAddresses*>(argument);
  Dwarf_Addr pc = 0;
  if (!dwfl_frame_pc(frame, &pc, nullptr) || pc == 0) return DWARF_CB_ABORT;
  frames.push_back(static_cast<std::uintptr_t>(pc));
  return frames.size() < kMaxStackFrames ? DWARF_CB_OK : DWARF_CB_ABORT;
}

int AddThread(Dwfl_Thread* thread, void* argument) {
  auto& walk = *static_cast<ThreadWalk*>(argument);
  const pid_t threadId = dwfl_thread_tid(thread);
  if (threadId == walk.skipped) return DWARF_CB_OK;
  ParkedThread walked;
  walked.ThreadId = threadId;
  // The end of a walk may be reported as an error: the frames found so far stand.
  dwfl_thread_getframes(thread, AddFrame, &walked.Frames);
  if (walked.Frames.empty()) return DWARF_CB_OK;
  walked.Name = ThreadName(threadId, dwfl_pid(dwfl_thread_dwfl(thread)));
  walked.Priority = ThreadPriority(threadId);
  walked.Answered = true;
  walk.threads.push_back(std::move(walked));
  return DWARF_CB_OK;
}

}  // namespace

std::vector<ParkedThread> WalkCrashedProcessThreads(pid_t processId, pid_t skippedThread) {
  static const Dwfl_Callbacks callbacks = {.find_elf = dwfl_linux_proc_find_elf,
                                           .find_debuginfo = dwfl_standard_find_debuginfo,
                                           .section_address = nullptr,
                                           .debuginfo_path = nullptr};
  const std::unique_ptr<Dwfl, decltype(&dwfl_end)> dwfl(dwfl_begin(&callbacks), &dwfl_end);
  ThreadWalk walk{skippedThread, {}};
  if (!dwfl) return {};
  if (dwfl_linux_proc_report(dwfl.get(), processId) != 0 || dwfl_report_end(dwfl.get(), nullptr, nullptr) != 0)
    return {};
  if (dwfl_linux_proc_attach(dwfl.get(), processId, false) != 0) return {};
  dwfl_getthreads(dwfl.get(), AddThread, &walk);
  return std::move(walk.threads);
}

}  // namespace kestrova
