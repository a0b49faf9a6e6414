// The device records a port's settings derive: control block, timeouts, queue sizes, event mask.
#pragma once

#include "comport/com_types.h"
#include "comport/device/device_records.h"

#include <cstdint>

namespace kestrova {

class TComBuffer;
class TComTimeouts;

// The rate of a baud rate member (0 for brCustom, whose rate is CustomBaudRate).
std::uint32_t BaudRateValue(TBaudRate rate);

// Built from nothing each time. XonLim and XoffLim are a quarter of the input queue size,
// kept in 16 bits.
DeviceControlBlock MakeDeviceControlBlock(const TCustomComPort& port);
// -1 becomes the maximum (all bits set); other values pass unchanged.
CommTimeouts MakeCommTimeouts(const TComTimeouts& timeouts);
QueueSizes MakeQueueSizes(const TComBuffer& buffer);

// Comm event mask bits of the device.
inline constexpr std::uint32_t EV_RXCHAR = 0x0001, EV_RXFLAG = 0x0002, EV_TXEMPTY = 0x0004,
                               EV_CTS = 0x0008, EV_DSR = 0x0010, EV_RLSD = 0x0020, EV_BREAK = 0x0040,
                               EV_ERR = 0x0080, EV_RING = 0x0100, EV_RX80FULL = 0x0400;

std::uint32_t EventsToMask(TComEvents events);
// Bits that no event uses are ignored.
TComEvents MaskToEvents(std::uint32_t mask);

}  // namespace kestrova
