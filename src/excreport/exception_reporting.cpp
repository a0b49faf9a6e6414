#include "excreport/exception_reporting.h"

#include <QGuiApplication>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "excreport/crash_handlers.h"
#include "excreport/freeze_watch.h"
#include "excreport/gui_bridge.h"
#include "excreport/guarded_runner.h"
#include "excreport/handler_state.h"
#include "excreport/module_data.h"
#include "excreport/process_restart.h"
#include "excreport/process_threads.h"
#include "excreport/stack_walker.h"
#include "excreport/throw_site.h"

namespace kestrova {
namespace {

constexpr int kHeartbeatMs = 50;

// The capture paths that "EHook.Done" removes, in the order they were installed.
struct HookRegistry {
  std::vector<std::function<void()>> removals;
};

bool started = false;
std::unique_ptr<HookRegistry> hooks;
// The process-level paths (std::terminate and the fatal signals), restored by the handler.
std::unique_ptr<CrashHandlers> crashHandlers;

void InitCore() {
  // No development environment hosts this program: the design-host case does not arise, and
  // the stack walker is warmed up here so that the first walk in a crash need not load it.
  PrepareStackWalker();
}

void InitHooks() { hooks = std::make_unique<HookRegistry>(); }

void InstallCapturePaths() {
  InstallThrowHook();
  hooks->removals.push_back(RemoveThrowHook);
  crashHandlers = std::make_unique<CrashHandlers>();
}

void InitHandler() {
  SetInternalErrorReporterInstalled(true);
  RememberStartDirectory();
  TQuillModuleData module = ReadExecutableModuleData(true);
  if (!module.CarriesSubsystem) return;  // no valid data block: nothing is installed
  auto state = std::make_unique<HandlerState>(std::move(module));
  std::error_code error;
  state->StartDirectory = std::filesystem::current_path(error).string();
  TQuillModuleOptionsEx& options = *state->Module.Options;
  options.SetHangWatchdogSwitch(SetFreezeWatchWanted);
  const bool watch = options.Enabled() && options.HangDetection();
  SetHandlerState(std::move(state));
  if (hooks) InstallCapturePaths();
  SetFreezeWatchWanted(watch);
}

void DoneHandler() {
  AbandonGuiCalls(true);
  StopFreezeWatch();
  std::unique_ptr<HandlerState> state = TakeHandlerState();
  crashHandlers.reset();
  AbandonGuiCalls(false);
  SetInternalErrorReporterInstalled(false);
}

void DoneHooks() {
  if (!hooks) return;
  for (auto removal = hooks->removals.rbegin(); removal != hooks->removals.rend(); ++removal) (*removal)();
  hooks.reset();
}

}  // namespace

void StartExceptionReporting() {
  if (started) return;
  started = true;
  RunGuardedStep("ECore.Init", InitCore);
  RunGuardedStep("EHook.Init", InitHooks);
  RunGuardedStep("ExceptionLog.Init", InitHandler);
}

void StopExceptionReporting() {
  if (!started) return;
  RunGuardedStep("ExceptionLog.Done", DoneHandler);
  RunGuardedStep("EHook.Done", DoneHooks);
  started = false;
}

void AttachExceptionReporting(QCoreApplication& application) {
  if (TheHandlerState() == nullptr) return;
  const bool gui = qobject_cast<QGuiApplication*>(&application) != nullptr;
  if (crashHandlers) crashHandlers->SetGuiProgram(gui);
  if (!gui) return;
  auto* heartbeat = new QTimer(&application);
  QObject::connect(heartbeat, &QTimer::timeout, heartbeat, [] { FreezeHeartbeat(); });
  heartbeat->start(kHeartbeatMs);
  SetFreezeWatchedThread(CurrentThreadId());
  QObject::connect(&application, &QObject::destroyed, [] {
    SetFreezeWatchedThread(0);
    if (crashHandlers) crashHandlers->SetGuiProgram(false);
  });
}

void SetApplicationVersion(const std::string& version) {
  if (HandlerState* state = TheHandlerState()) state->ApplicationVersion = version;
}

}  // namespace kestrova
