// The transmit tick without a window: the window and a headless run share it.
#pragma once

#include <exception>
#include <ostream>
#include <string_view>

#include "app/tick_failure_filter.h"
#include "app/tick_port.h"
#include "app/tick_reading.h"

namespace kestrova {

class TCustomComPort;

// One tick: the frame of the reading (TickFrame), then the port steps (TickPort), whose
// failures are dropped and whose state changes go to `diagnostics` as one line each. A failure
// of the frame (a text that is not a number, a mask that is too long) is returned for the
// caller to report, unless it repeats the failure of the tick before (TickFailureFilter).
// The port is not owned and must outlive this object; runs on the port's thread.
class TransmitTick final {
 public:
  TransmitTick(TCustomComPort& port, std::ostream& diagnostics) : port_(port, diagnostics) {}

  // Runs one tick. Returns the failure to report, or null when there is none to report (the
  // frame went to the port steps, or the same failure as the tick before). Failures of the
  // frame and of the port never leave it; only running out of memory would.
  std::exception_ptr Run(const TickInputs& inputs, std::string_view mask);
  // The loop was paused: the next failure is reported even if it repeats the last one.
  void LoopPaused() { failures_.Forget(); }

  TickPort& Port() { return port_; }
  const TickPort& Port() const { return port_; }

 private:
  TickPort port_;
  TickFailureFilter failures_;
};

}  // namespace kestrova
