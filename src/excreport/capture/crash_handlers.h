// Fatal signals and std::terminate: record the crash and hand it to a helper process.
#pragma once

#include <memory>

namespace kestrova {

// While an object exists, SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT run the crash handler on
// an alternate stack, and std::terminate runs the uncaught-exception handler. The first crash
// in the process wins; a second crashing thread waits for the end of the process.
//
// The signal handler does nothing unsafe: no allocation, no locks. It fills the crash record
// (a shared memory file mapped at install time), starts the helper process prepared at
// install time (this executable, from /proc/self/exe as resolved then, with the private helper
// flag naming the record's descriptor), waits for the helper to end and ends the process with
// _exit(1). The terminate handler does the same but, outside a signal handler, also records
// the exception's class name and message and the stack of its throw site (throw_site.h).
//
// The alternate stack is installed for the constructing thread; other threads need their own
// (RunGuardedThreadBody gives one). One object at a time: a second constructor throws
// std::logic_error; a failure to prepare throws std::system_error and installs nothing. The
// destructor puts back the previous signal actions and terminate handler. Create and destroy
// on the same thread (the main thread, before other threads start).
class CrashHandlers final {
 public:
  CrashHandlers();
  ~CrashHandlers();

  CrashHandlers(const CrashHandlers&) = delete;
  CrashHandlers& operator=(const CrashHandlers&) = delete;

  // Tells the helper whether the program has a GUI (it then shows its report with one).
  void SetGuiProgram(bool gui);

 private:
  struct Installation;
  std::unique_ptr<Installation> installation_;
};

}  // namespace kestrova
