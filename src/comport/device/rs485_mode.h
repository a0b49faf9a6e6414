// RTS toggle realised as the kernel's RS-485 mode: pure edits of the driver's configuration.
#pragma once

#include "comport/device/device_records.h"

#include <linux/serial.h>

#include <optional>

namespace kestrova {

// In RS-485 mode the driver raises RTS while it sends and drops it once the last bit has left,
// which is what RTS toggle asks; every other RTS control needs the mode off, or the driver would
// keep driving the line. Given the driver's current configuration: the one to write, or none
// when it already fits the block. Delays and the other options are kept as the driver has them.
std::optional<serial_rs485> Rs485ModeFor(const serial_rs485& current, const DeviceControlBlock& dcb);

// True when a configuration (as the driver answers it) toggles RTS: enabled, RTS high while
// sending, low after.
bool TogglesRts(const serial_rs485& mode);

}  // namespace kestrova
