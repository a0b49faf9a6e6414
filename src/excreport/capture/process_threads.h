// The threads of this process as Linux lists them under /proc/self/task.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kestrova {

// The kernel thread ID of the calling thread.
// signal-safe
pid_t CurrentThreadId();

// The thread IDs of this process in ascending order; empty when /proc cannot be read.
std::vector<pid_t> ListThreadIds();

// /proc/PID/task/TID/comm without its line end, of this process when `processId` is 0; empty
// for a thread that has ended.
std::string ThreadName(pid_t threadId, pid_t processId = 0);

// The thread's nice value (-20 highest .. 19 lowest), as the scheduler applies it per thread
// (of any process: thread IDs are system-wide); 0 for a thread that has ended.
int ThreadPriority(pid_t threadId);

}  // namespace kestrova
