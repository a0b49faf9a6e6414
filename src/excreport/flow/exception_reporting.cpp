#include "excreport/flow/exception_reporting.h"

#include <curl/curl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "excreport/capture/crash_handlers.h"
#include "excreport/capture/guarded_runner.h"
#include "excreport/capture/process_restart.h"
#include "excreport/capture/process_threads.h"
#include "excreport/capture/program_threads.h"
#include "excreport/capture/stack_walker.h"
#include "excreport/capture/throw_site.h"
#include "excreport/dialog/gui_bridge.h"
#include "excreport/flow/freeze_watch.h"
#include "excreport/flow/handler_state.h"
#include "excreport/log/log_file_path.h"
#include "excreport/options/module_data.h"
#include "excreport/options/options_publication.h"

namespace kestrova {
namespace {

constexpr int kHeartbeatMs = 50;

// The capture paths that "EHook.Done" removes, in the order they were installed.
struct HookRegistry {
  std::vector<std::function<void()>> removals;
};

bool started = false;
bool socketsStarted = false;
std::unique_ptr<HookRegistry> hooks;
// The process-level paths (std::terminate and the fatal signals), restored by the handler.
std::unique_ptr<CrashHandlers> crashHandlers;

void InitCore() {
  // No development environment hosts this program: the design-host case does not arise, and
  // the stack walker is warmed up here so that the first walk in a crash need not load it.
  PrepareStackWalker();
  // Killed or crashed instances could not remove their published options.
  OptionsPublication::RemoveAbandoned();
}

// The internal-error reporter serves every step up to this last one; later failures go to
// standard error.
void DoneCore() { SetInternalErrorReporterInstalled(false); }

// libcurl's global start-up is not thread-safe: it runs here, before any report thread.
void InitSockets() {
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) throw std::runtime_error("Cannot start the socket layer.");
  socketsStarted = true;
}

void DoneSockets() {
  if (!socketsStarted) return;
  curl_global_cleanup();
  socketsStarted = false;
}

void InitHooks() { hooks = std::make_unique<HookRegistry>(); }

// One line on standard error: a program whose data block was refused runs without reporting.
void WarnReportingOff(const std::string& reason) {
  const std::string line = ProgramFileName() + ": exception reporting is off: " + reason + "\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
}

void InstallCapturePaths() {
  InstallThrowHook();
  hooks->removals.push_back(RemoveThrowHook);
  InstallThreadStartHook();
  hooks->removals.push_back(RemoveThreadStartHook);
  crashHandlers = std::make_unique<CrashHandlers>();
}

void InitHandler() {
  SetInternalErrorReporterInstalled(true);
  RememberStartDirectory();
  TQuillModuleData module = ReadExecutableModuleData(true);
  if (!module.CarriesSubsystem) {  // no valid data block: nothing is installed
    if (!module.Refusal.empty()) WarnReportingOff(module.Refusal);
    return;
  }
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
}

void DoneHooks() {
  if (!hooks) return;
  for (auto removal = hooks->removals.rbegin(); removal != hooks->removals.rend(); ++removal) (*removal)();
  hooks.reset();
}

}  // namespace

const std::vector<GuardedStep>& StartSteps() {
  static const std::vector<GuardedStep> steps{{"ECore.Init", InitCore},
                                              {"ESockets.Init", InitSockets},
                                              {"EHook.Init", InitHooks},
                                              {"ExceptionLog.Init", InitHandler}};
  return steps;
}

const std::vector<GuardedStep>& StopSteps() {
  static const std::vector<GuardedStep> steps{{"ExceptionLog.Done", DoneHandler},
                                              {"EHook.Done", DoneHooks},
                                              {"ESockets.Done", DoneSockets},
                                              {"ECore.Done", DoneCore}};
  return steps;
}

void StartExceptionReporting() {
  if (started) return;
  started = true;
  for (const GuardedStep& step : StartSteps()) RunGuardedStep(step.Name, step.Run);
}

void StopExceptionReporting() {
  if (!started) return;
  for (const GuardedStep& step : StopSteps()) RunGuardedStep(step.Name, step.Run);
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
