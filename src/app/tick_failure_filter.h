// Which failures of a running transmit loop are reported, so that a failing loop can be stopped.
#pragma once

#include <exception>
#include <string>

namespace kestrova {

// A failure that leaves a tick is reported when it differs (class or message) from the failure
// of the tick before; the same failure again is held back, so that a report shown after every
// tick (50 ms) does not keep the operator from stopping the loop or correcting the text. A
// successful tick or a pause of the loop forgets the last failure: the next one is reported.
// Pure logic; used by the thread that runs the ticks.
class TickFailureFilter final {
 public:
  // Records the failure of a tick; true when it is to be reported.
  bool ShouldReport(const std::exception_ptr& error);
  // The tick got past its failing steps, or the loop was paused.
  void Forget() { last_.clear(); }

 private:
  // Class and message of the last failure; empty when there is none.
  std::string last_;
};

}  // namespace kestrova
