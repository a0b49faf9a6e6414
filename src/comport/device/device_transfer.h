// DeviceTransfer: one overlapped transfer as a device runs it (start, then await).
#pragma once

#include "comport/device/device_event.h"
#include "comport/device/device_records.h"

#include <chrono>
#include <cstdint>

namespace kestrova {

// The completion event is set while no transfer is pending: a start that goes on resets it, the
// end of the transfer (done, failed, aborted) sets it again. The other fields belong to the
// device that started the transfer, under its lock; the caller only keeps the record alive and
// unchanged until the transfer has ended. One transfer at a time per record.
struct DeviceTransfer {
  DeviceEvent Event{true};

  bool IsWrite = true;
  std::uint8_t* Data = nullptr;  // a write never writes through it
  std::uint32_t Count = 0;
  std::uint32_t Done = 0;
  bool Pending = false;
  int Error = 0;  // of the ended transfer
  CommTimeouts Timeouts;
  std::chrono::steady_clock::time_point Started;
  std::chrono::steady_clock::time_point LastByte;
};

// What a start returns when the transfer goes on in the background (like ERROR_IO_PENDING).
inline constexpr int kIoPending = -1;

}  // namespace kestrova
