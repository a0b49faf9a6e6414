// An alternate signal stack for the calling thread, so that a stack overflow still reaches the
// fatal-signal handler.
#pragma once

#include <signal.h>

#include <cstddef>

namespace kestrova {

// Installs an alternate stack for the calling thread for the object's lifetime and restores
// the previous one when destroyed; must be destroyed on the thread that created it. The stack
// is mapped memory with a guard page below it. Failure to map or install leaves the thread
// as it was (Installed() is false): a missing alternate stack only loses stack overflows.
class SignalAltStack final {
 public:
  SignalAltStack();
  ~SignalAltStack();

  SignalAltStack(const SignalAltStack&) = delete;
  SignalAltStack& operator=(const SignalAltStack&) = delete;

  bool Installed() const { return installed_; }

 private:
  void* mapping_ = nullptr;
  std::size_t mappingSize_ = 0;
  stack_t previous_{};
  bool installed_ = false;
};

}  // namespace kestrova
