// The other threads of a crashed process, as its crash helper sees them from outside.
#pragma once

#include <sys/types.h>

#include <vector>

#include "excreport/capture/thread_parker.h"

namespace kestrova {

// Walks the stack of every thread of `processId` but `skippedThread` (the crashing one, whose
// stack the crash record carries) by attaching to each in turn with ptrace and unwinding it
// with the call frame information of its modules; the crashed process allows its helper to
// trace it. Each thread is named from /proc/PID/task/TID/comm; frame 0 is where it stopped.
// Threads that cannot be walked are left out; nothing at all when tracing is refused.
std::vector<ParkedThread> WalkCrashedProcessThreads(pid_t processId, pid_t skippedThread);

}  // namespace kestrova
