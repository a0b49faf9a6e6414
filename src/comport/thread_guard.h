// The process-wide guard that every thread started by the port runs its body through.
#pragma once

#include <functional>

namespace kestrova {

// A guard runs body and may catch, report or rethrow what it raises. The exception reporting
// subsystem installs its own at start-up; until then the body runs directly.
using ThreadBodyGuard = void (*)(const std::function<void()>& body);

// Installs guard for every thread started from now on; null restores the default.
void SetThreadBodyGuard(ThreadBodyGuard guard);
ThreadBodyGuard CurrentThreadBodyGuard();
// Runs body through the current guard.
void RunThroughThreadBodyGuard(const std::function<void()>& body);

}  // namespace kestrova
