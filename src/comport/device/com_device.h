// The device layer's interface: what the port asks of an open serial device.
#pragma once

#include "comport/device/device_records.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kestrova {

// One serial device, opened once and closed once. Each operation returns 0 on success or the
// errno of the system call that failed; the caller turns that into its own error. The owner
// calls it from one thread at a time; Close() also runs from the destructor.
class ComDevice {
 public:
  ComDevice() = default;
  ComDevice(const ComDevice&) = delete;
  ComDevice& operator=(const ComDevice&) = delete;
  virtual ~ComDevice() = default;

  // Opens the device exclusively; input that arrived before is discarded.
  virtual int Open(const std::string& path) = 0;
  // Closes an open device; does nothing otherwise. Never fails.
  virtual void Close() = 0;
  virtual int SetupQueues(const QueueSizes& sizes) = 0;
  virtual int SetState(const DeviceControlBlock& dcb) = 0;
  virtual int SetTimeouts(const CommTimeouts& timeouts) = 0;
  // The modem input lines as kModem*On bits; 0 on a device without modem lines.
  virtual int GetModemStatus(std::uint32_t& status) = 0;
};

using ComDeviceFactory = std::function<std::unique_ptr<ComDevice>()>;

}  // namespace kestrova
