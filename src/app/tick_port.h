// The port steps of a transmit tick: open the port, write the frame, close it again.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "app/port_state_log.h"

namespace kestrova {

class TCustomComPort;

// Runs the port steps of each tick on a port it does not own (the port must outlive it).
// Every failure of these steps is dropped: the tick sends nothing and shows nothing. The
// port's state is followed by a PortStateLog that writes one line to `diagnostics` when it
// changes. Runs on the port's thread (the GUI thread in the window).
//
// After a failed write the port is closed at once (a close that fails as well is dropped): a
// device that vanished during the write leaves its descriptor hung up, and only a fresh open
// at the next tick reaches the device that has taken its place.
class TickPort final {
 public:
  TickPort(TCustomComPort& port, std::ostream& diagnostics);
  TickPort(const TickPort&) = delete;
  TickPort& operator=(const TickPort&) = delete;

  // Opens the port, writes frame and closes the port. No failure of the port leaves it; the
  // state-change callback's exceptions do.
  void Send(const std::string& frame);

  // The port's name, its device path and what the last tick found there.
  std::string Summary() const;
  // Called after a tick whose outcome changed the port's state; empty by default.
  void SetStateChanged(std::function<void()> changed) { changed_ = std::move(changed); }

 private:
  // The failed step's message, or empty when the frame went out and the port closed.
  std::string RunSteps(const std::string& frame);
  void CloseDroppingFailure();

  TCustomComPort& port_;
  PortStateLog log_;
  std::function<void()> changed_;
};

}  // namespace kestrova
