// A guard for thread bodies: what escapes the body is reported on the thread itself.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>

namespace kestrova {

// Raiser kind of exceptions that escape a thread body (the run-time library's paths).
inline constexpr std::uint8_t kThreadBodyRaiserKind = 0;

using ThreadExceptionCallback =
    std::function<void(std::exception_ptr exception, std::uint8_t raiserKind)>;

// Runs `body` with an alternate signal stack for the thread (see CrashHandlers). An exception
// that escapes it, of any type, is passed to `onException` on this thread with raiser kind 0;
// then the function returns and the thread ends as a thread whose body returned, instead of
// the process being terminated. Exceptions from `onException` are swallowed. The forced unwind
// of a cancelled or exiting thread passes through untouched.
void RunGuardedThreadBody(const std::function<void()>& body,
                          const ThreadExceptionCallback& onException);

}  // namespace kestrova
