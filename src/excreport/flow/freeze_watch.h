// The freeze watchdog of the handling flow: started while the options ask for it and a GUI
// thread gives its heartbeat.
#pragma once

#include <sys/types.h>

namespace kestrova {

// Called by the options when Enabled and HangDetection are both on (true) or either goes off.
void SetFreezeWatchWanted(bool wanted);

// The GUI thread to watch, once its heartbeat runs; 0 when the application goes away.
void SetFreezeWatchedThread(pid_t guiThread);

// One heartbeat of the watched thread (from its periodic timer).
void FreezeHeartbeat() noexcept;

// Stops the watchdog for good (shutdown); a freeze report under way ends first.
void StopFreezeWatch();

}  // namespace kestrova
