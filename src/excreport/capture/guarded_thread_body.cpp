#include "excreport/capture/guarded_thread_body.h"

#include <cxxabi.h>

#include "excreport/capture/signal_alt_stack.h"

namespace kestrova {

// The forced-unwind "exception" has no object: catching it binds a null reference, which is
// how the C++ run-time defines it but which UBSan's null check reports.
__attribute__((no_sanitize("null"))) void RunGuardedThreadBody(
    const std::function<void()>& body, const ThreadExceptionCallback& onException) {
  SignalAltStack altStack;
  try {
    body();
  } catch (abi::__forced_unwind&) {
    throw;  // pthread_cancel / pthread_exit must finish their unwind
  } catch (...) {
    try {
      if (onException) onException(std::current_exception(), kThreadBodyRaiserKind);
    } catch (...) {
      // Reporting never lets an exception out of the thread.
    }
  }
}

}  // namespace kestrova
