// TPortObserver: an object that follows a port's line changes and received data.
#pragma once

#include "comport/com_types.h"

#include <cstdint>
#include <functional>

namespace kestrova {

// The signals a port raises to its observers, in ordinal order.
enum class TObserverSignal : std::uint8_t { osCTS, osDSR, osRLSD, osRing, osRx, osTx };

// Seven handler slots, each empty or assigned. The port keeps a list of observers and calls
// their slots on the thread that processes its events; it never owns them, so an observer must
// be removed from the port before it is destroyed.
struct TPortObserver {
  std::function<void(TCustomComPort* port, const void* buffer, std::int32_t count)> Data;
  std::function<void(TCustomComPort* port, bool on)> CTS;
  std::function<void(TCustomComPort* port, bool on)> DSR;
  std::function<void(TCustomComPort* port, bool on)> RLSD;
  std::function<void(TCustomComPort* port)> Ring;
  std::function<void(TCustomComPort* port, bool on)> Transmit;
  std::function<void(TCustomComPort* port, bool on)> Receive;
};

}  // namespace kestrova
