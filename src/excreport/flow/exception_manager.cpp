#include "excreport/flow/exception_manager.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "excreport/capture/process_threads.h"
#include "excreport/capture/quill_warnings.h"
#include "excreport/capture/throw_site.h"
#include "excreport/dialog/gui_bridge.h"
#include "excreport/flow/exception_thread.h"
#include "excreport/flow/handler_state.h"
#include "excreport/flow/quill_exceptions.h"
#include "excreport/flow/report_procedure.h"
#include "excreport/options/module_identity.h"
#include "excreport/report/exception_class_info.h"

namespace kestrova {
namespace {

constexpr std::string_view kSafeCallPrefix = "[SafeCall Exception]: ";

// Set while this thread is inside the handling entry.
thread_local bool insideHandling = false;

class HandlingFlag final {
 public:
  HandlingFlag() { insideHandling = true; }
  ~HandlingFlag() { insideHandling = false; }
  HandlingFlag(const HandlingFlag&) = delete;
  HandlingFlag& operator=(const HandlingFlag&) = delete;
};

// The GUI thread keeps its events flowing while another thread's report holds the lock: that
// report may need the GUI thread to show itself.
std::unique_lock<std::recursive_mutex> LockHandler(HandlerState& state) {
  std::unique_lock lock(state.HandlerLock, std::defer_lock);
  if (!OnGuiThread()) {
    lock.lock();
    return lock;
  }
  while (!lock.try_lock()) {
    PumpGuiEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return lock;
}

void NoteGuiFacts(HandlingRequest& request) {
  const bool gui = IsGuiProgram();
  if (!gui || request.FromWatchdog) return;  // a frozen GUI thread answers nothing
  if (request.RaiserKind == kRaiserApplication || request.RaiserKind == kRaiserRuntime)
    RunOnGuiThread(BringMainWindowForward);
  ActiveControlFacts facts;
  RunOnGuiThread([&] { facts = NoteActiveControls(); });
  request.Controls = facts.Controls;
  request.FocusRect = facts.FocusRect;
  request.Notify.ControlClass = facts.Controls.ControlClass;
  request.Notify.ControlText = facts.Controls.ControlText;
}

bool Handle(HandlerState& state, HandlingRequest& request) {
  if (ExceptionMessage(request.Exception).starts_with(kSafeCallPrefix)) return false;
  if (!state.Module.Options->Enabled()) return true;
  NoteGuiFacts(request);
  request.Notify.ThreadId = static_cast<std::uint32_t>(request.ThreadId);
  request.WaitingThreadId = CurrentThreadId();
  state.Current = CurrentException{request.Exception, request.Address};
  bool notTaken = true;
  {
    TExceptionThread thread([&] { return RunReportProcedure(state, request); });
    notTaken = thread.WaitForResult();
  }
  state.Current = CurrentException{};
  ClearLastThrowSite();
  return notTaken;
}

}  // namespace

bool HandleExceptionRequest(HandlingRequest& request) noexcept {
  HandlerState* state = TheHandlerState();
  if (state == nullptr) return true;
  if (insideHandling) return false;
  HandlingFlag flag;
  try {
    std::unique_lock lock = LockHandler(*state);
    return Handle(*state, request);
  } catch (...) {
    ReportInternalError("1", request.Address, "", std::current_exception());
    return false;
  }
}

HandlingRequest RequestForCaughtException(const std::exception_ptr& exception, std::uintptr_t address,
                                          std::uint8_t raiserKind, std::uintptr_t moduleHandle) {
  HandlingRequest request;
  request.Exception = exception;
  request.RaiserKind = raiserKind;
  request.ModuleHandle = moduleHandle != 0 ? moduleHandle : SubsystemModuleHandle();
  request.ThreadId = CurrentThreadId();
  ThrowSite site = LastThrowSite();
  const std::type_info* type = exception ? exception.__cxa_exception_type() : nullptr;
  if (site.Type != nullptr && type != nullptr && *site.Type == *type && !site.Frames.empty()) {
    request.Frames = std::move(site.Frames);
    // The CPU part shows the thrower's registers and stack as they were at the throw.
    request.Notify.HasContext = true;
    request.Notify.Context = site.Registers;
    request.StackBytes = std::move(site.StackBytes);
  } else {
    request.Frames = CaptureCurrentStack(1);
  }
  // Frame 0 is a return address: the raise is the call just before it.
  request.Address = address != 0 ? address : (request.Frames.empty() ? 0 : request.Frames.front() - 1);
  return request;
}

bool ManageException(const std::exception_ptr& exception, std::uintptr_t address, std::uint8_t raiserKind,
                     std::uintptr_t moduleHandle, std::uint8_t caughtKind) noexcept {
  HandlerState* state = TheHandlerState();
  if (state == nullptr) return true;
  try {
    if (!state->HandlingEnabled.load() || state->IsExcluded(CurrentThreadId())) return true;
    if (!IsReportableException(exception)) return true;
    HandlingRequest request = RequestForCaughtException(exception, address, raiserKind, moduleHandle);
    request.CaughtKind = caughtKind;
    return HandleExceptionRequest(request);
  } catch (...) {
    ReportInternalError("ExceptionManager", address, "", std::current_exception());
    return true;
  }
}

}  // namespace kestrova

extern "C" bool ExceptionManager(const std::exception_ptr* exception, std::uintptr_t address, std::uint8_t raiserKind,
                                 std::uintptr_t moduleHandle) noexcept {
  return kestrova::ManageException(exception != nullptr ? *exception : std::exception_ptr(), address, raiserKind,
                                   moduleHandle, kestrova::kCaughtOrdinary);
}
