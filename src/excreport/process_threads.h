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

// /proc/self/task/TID/comm without its line end; empty for a thread that has ended.
std::string ThreadName(pid_t threadId);

// The thread's nice value (-20 highest .. 19 lowest), as the scheduler applies it per thread;
// 0 for a thread that has ended.
int ThreadPriority(pid_t threadId);

}  // namespace kestrova
