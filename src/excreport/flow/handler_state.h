// The process-wide state of the exception handling, from start-up to shutdown.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "excreport/options/module_data.h"
#include "excreport/options/quill_module_options_ex.h"

namespace kestrova {

// The exception taken last, until its handling ends.
struct CurrentException {
  std::exception_ptr Exception;
  std::uintptr_t Address = 0;
};

// One object exists while the subsystem is installed (TheHandlerState). The handler lock
// serialises the handling path: what the report procedure changes is touched under it only;
// the fields that other threads read at any time are atomic or have their own lock.
class HandlerState final {
 public:
  explicit HandlerState(TQuillModuleData module);
  HandlerState(const HandlerState&) = delete;
  HandlerState& operator=(const HandlerState&) = delete;

  // The executable's data block; its options are the module's options that a program changes.
  TQuillModuleData Module;
  // The options of the exception being reported, copied from the module's per exception.
  TQuillModuleOptionsEx Options;

  std::recursive_mutex HandlerLock;
  std::atomic<bool> HandlingEnabled{true};
  const pid_t MainThreadId;
  std::string StartDirectory;
  std::string ApplicationVersion;

  // Under the handler lock.
  CurrentException Current;
  int ErrorCount = 0;
  std::vector<std::int64_t> CrashTimes;
  bool TerminateRequest = false;
  std::string ReportText;
  std::atomic<int> StepNumber{0};

  // Threads whose exceptions are never handled.
  void ExcludeThread(pid_t threadId);
  void IncludeThread(pid_t threadId);
  bool IsExcluded(pid_t threadId) const;

  // Threads whose bodies run under the subsystem's guard: the threads "the run-time library
  // created", as the stack and pause options count them.
  void NoteGuardedThread(pid_t threadId, bool running);
  bool IsGuardedThread(pid_t threadId) const;

 private:
  mutable std::mutex threadsMutex_;
  std::set<pid_t> excluded_;
  std::set<pid_t> guarded_;
};

// The installed state, or null before start-up and after shutdown.
HandlerState* TheHandlerState();
// The options of the module that holds the subsystem (the executable): what a program changes
// at run time; each report copies them. Before start-up (or without a valid data block) throws
// std::logic_error naming this source file and line.
TQuillModuleOptionsEx& CurrentModuleOptions();

// Start-up sets it, shutdown takes it back (after waiting for the handler lock to be free).
void SetHandlerState(std::unique_ptr<HandlerState> state);
std::unique_ptr<HandlerState> TakeHandlerState();

}  // namespace kestrova
