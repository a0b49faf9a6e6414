// Which threads the program itself started, as opposed to the toolkit's and the system
// libraries' own threads (an X event reader, a D-Bus connection), which must never be paused.
#pragma once

#include <sys/types.h>

namespace kestrova {

// Starts noting program threads. The program's own pthread_create (thread_start_hook_linux.cpp)
// takes the place of the C library's for every module, as __cxa_throw does for the throw hook:
// a thread whose creator is the executable's code (directly, or through std::thread) is marked
// while it runs; every other thread is created untouched. Safe to call more than once.
void InstallThreadStartHook();

// Stops marking new threads; threads marked so far stay marked until they end.
void RemoveThreadStartHook();

// Whether `threadId` is a running thread that the program's own code started while the hook
// was installed.
bool IsProgramThread(pid_t threadId);

}  // namespace kestrova
