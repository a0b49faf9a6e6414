#include "excreport/flow/capture_paths.h"

#include "excreport/capture/guarded_thread_body.h"
#include "excreport/capture/process_threads.h"
#include "excreport/flow/exception_manager.h"
#include "excreport/flow/handler_state.h"

namespace kestrova {
namespace {

void NoteGuarded(pid_t threadId, bool running) {
  if (HandlerState* state = TheHandlerState()) state->NoteGuardedThread(threadId, running);
}

}  // namespace

bool ReportApplicationException(const std::exception_ptr& exception) noexcept {
  return !ExceptionManager(&exception, 0, kRaiserApplication, 0);
}

void RunReportedThreadBody(const std::function<void()>& body) {
  const pid_t self = CurrentThreadId();
  NoteGuarded(self, true);
  RunGuardedThreadBody(body, [](std::exception_ptr exception, std::uint8_t raiserKind) {
    ManageException(exception, 0, raiserKind, 0, kCaughtThreadBody);
  });
  NoteGuarded(self, false);
}

}  // namespace kestrova
