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

// The events in the order the event thread processes those of one wait.
inline constexpr TComEvent kEventDeliveryOrder[] = {
    TComEvent::evRxChar, TComEvent::evTxEmpty, TComEvent::evBreak,  TComEvent::evRing,  TComEvent::evCTS,
    TComEvent::evDSR,    TComEvent::evRxFlag,  TComEvent::evRLSD,   TComEvent::evError, TComEvent::evRx80Full,
};

// The mask bit of one event (EV_* of device_records.h).
std::uint32_t EventMaskBit(TComEvent event);
std::uint32_t EventsToMask(TComEvents events);
// Bits that no event uses are ignored.
TComEvents MaskToEvents(std::uint32_t mask);

}  // namespace kestrova
