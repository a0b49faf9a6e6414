#include "excreport/flow/freeze_watch.h"

#include <memory>
#include <mutex>

#include "excreport/capture/freeze_thread.h"
#include "excreport/capture/process_threads.h"
#include "excreport/dialog/gui_bridge.h"
#include "excreport/flow/exception_manager.h"
#include "excreport/flow/handler_state.h"
#include "excreport/flow/quill_exceptions.h"

namespace kestrova {
namespace {

std::mutex watchMutex;
bool watchWanted = false;
pid_t watchedThread = 0;
std::shared_ptr<FreezeThread> watchdog;
std::atomic<FreezeThread*> beatTarget{nullptr};

// On the watchdog thread: the frozen thread's stack was taken while it was parked.
void ReportFreeze(const ParkedThread& frozen) {
  HandlerState* state = TheHandlerState();
  if (state == nullptr || !state->HandlingEnabled.load() || state->IsExcluded(frozen.ThreadId)) return;
  HandlingRequest request;
  request.Exception = std::make_exception_ptr(EFrozenApplication(state->Module.Options->HangMessage()));
  request.RaiserKind = kRaiserRuntime;
  request.ThreadId = frozen.ThreadId;
  request.Frames = frozen.Frames;
  request.FirstFrameIsInstruction = true;
  request.Address = frozen.Frames.empty() ? 0 : frozen.Frames.front();
  request.FromWatchdog = true;
  HandleExceptionRequest(request);
}

// Under watchMutex. The stopped watchdog is destroyed by the caller outside the lock.
std::shared_ptr<FreezeThread> Reconcile() {
  HandlerState* state = TheHandlerState();
  const int timeoutSecs = state != nullptr ? state->Module.Options->HangTimeoutSecs() : 0;
  const bool run = watchWanted && watchedThread != 0 && timeoutSecs > 0;
  if (run == (watchdog != nullptr)) return nullptr;
  if (run) {
    watchdog = std::make_shared<FreezeThread>(std::chrono::seconds(timeoutSecs), ReportFreeze, watchedThread);
    beatTarget.store(watchdog.get());
    return nullptr;
  }
  beatTarget.store(nullptr);
  return std::move(watchdog);
}

// Joining the watchdog waits for a freeze report under way, which may wait for the GUI
// thread: calls to the GUI thread are dropped meanwhile when this is that thread.
void Dispose(std::shared_ptr<FreezeThread> stopped) {
  if (!stopped) return;
  const bool gui = OnGuiThread();
  if (gui) AbandonGuiCalls(true);
  stopped.reset();
  if (gui) AbandonGuiCalls(false);
}

}  // namespace

void SetFreezeWatchWanted(bool wanted) {
  std::shared_ptr<FreezeThread> stopped;
  {
    std::lock_guard lock(watchMutex);
    watchWanted = wanted;
    stopped = Reconcile();
  }
  Dispose(std::move(stopped));
}

void SetFreezeWatchedThread(pid_t guiThread) {
  std::shared_ptr<FreezeThread> stopped;
  {
    std::lock_guard lock(watchMutex);
    watchedThread = guiThread;
    stopped = Reconcile();
  }
  Dispose(std::move(stopped));
}

void FreezeHeartbeat() noexcept {
  if (FreezeThread* target = beatTarget.load()) target->Heartbeat();
}

void StopFreezeWatch() {
  std::shared_ptr<FreezeThread> stopped;
  {
    std::lock_guard lock(watchMutex);
    watchWanted = false;
    stopped = Reconcile();
  }
  Dispose(std::move(stopped));
}

}  // namespace kestrova
