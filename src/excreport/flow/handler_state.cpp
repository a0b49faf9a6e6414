#include "excreport/flow/handler_state.h"

#include <unistd.h>

#include <stdexcept>

namespace kestrova {
namespace {

std::unique_ptr<HandlerState> owned;
std::atomic<HandlerState*> installed{nullptr};

}  // namespace

HandlerState::HandlerState(TQuillModuleData module)
    : Module(std::move(module)), Options(Module.Options->ModuleName(), false), MainThreadId(::getpid()) {
  Options.Assign(Module.Options.get());
}

void HandlerState::ExcludeThread(pid_t threadId) {
  std::lock_guard lock(threadsMutex_);
  excluded_.insert(threadId);
}

void HandlerState::IncludeThread(pid_t threadId) {
  std::lock_guard lock(threadsMutex_);
  excluded_.erase(threadId);
}

bool HandlerState::IsExcluded(pid_t threadId) const {
  std::lock_guard lock(threadsMutex_);
  return excluded_.contains(threadId);
}

void HandlerState::NoteGuardedThread(pid_t threadId, bool running) {
  std::lock_guard lock(threadsMutex_);
  if (running)
    guarded_.insert(threadId);
  else
    guarded_.erase(threadId);
}

bool HandlerState::IsGuardedThread(pid_t threadId) const {
  std::lock_guard lock(threadsMutex_);
  return guarded_.contains(threadId);
}

TQuillModuleOptionsEx& CurrentModuleOptions() {
  HandlerState* state = TheHandlerState();
  if (state == nullptr)
    throw std::logic_error(std::string("The current options cannot be used while the exception reporting is not activated "
                                       "in the program (") + __FILE__ + ", line " + std::to_string(__LINE__) + ").");
  return *state->Module.Options;
}

HandlerState* TheHandlerState() { return installed.load(std::memory_order_acquire); }

void SetHandlerState(std::unique_ptr<HandlerState> state) {
  owned = std::move(state);
  installed.store(owned.get(), std::memory_order_release);
}

std::unique_ptr<HandlerState> TakeHandlerState() {
  installed.store(nullptr, std::memory_order_release);
  if (owned) {
    // A report under way holds the handler lock: taking it waits for that report to end, and
    // nothing further needs it.
    owned->HandlerLock.lock();
    owned->HandlerLock.unlock();
  }
  return std::move(owned);
}

}  // namespace kestrova
