// The device layer's interface: what the port asks of an open serial device.
#pragma once

#include "comport/device/device_event.h"
#include "comport/device/device_records.h"
#include "comport/device/device_transfer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kestrova {

// One serial device, opened once and closed once. Each operation returns 0 on success or the
// errno of the system call that failed; the caller turns that into its own error.
//
// Threads: Open, Close and the Setup/Set operations run on the owner's thread while no other
// thread uses the device; Close() also runs from the destructor. While the device is open,
// transfers, Purge, ClearCommError, GetModemStatus and the comm wait may run on several threads
// at once (the owner writing while the event thread waits and reads).
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
  // EINVAL for sizes outside QueueSizesInRange.
  virtual int SetupQueues(const QueueSizes& sizes) = 0;
  // EINVAL (or the driver's own error) for a block the device cannot carry; nothing changes then.
  virtual int SetState(const DeviceControlBlock& dcb) = 0;
  virtual int SetTimeouts(const CommTimeouts& timeouts) = 0;
  // The modem input lines as kModem*On bits; 0 on a device without modem lines.
  virtual int GetModemStatus(std::uint32_t& status) = 0;

  // Starts a transfer of count bytes on the record. 0: it has ended at once, done holds the
  // count; kIoPending: it goes on (done is 0) until awaited; otherwise the errno of a start that
  // failed, leaving nothing pending. Data and buffer must stay valid until the transfer is
  // awaited. A write has ended when its bytes have left the output queue.
  virtual int StartWrite(DeviceTransfer& transfer, const void* data, std::uint32_t count, std::uint32_t& done) = 0;
  virtual int StartRead(DeviceTransfer& transfer, void* buffer, std::uint32_t count, std::uint32_t& done) = 0;
  // Blocks until the transfer has ended; count is what it moved. Fails with the errno of the
  // transfer: ETIMEDOUT for a write past its timeout, ECANCELED when aborted by Purge, EIO when
  // the device has gone. A record that has no transfer pending returns the last result at once.
  virtual int AwaitTransfer(DeviceTransfer& transfer, std::uint32_t& count) = 0;
  // PURGE_* flags: the aborts end pending transfers as failed, the clears empty the queues.
  virtual int Purge(std::uint32_t flags) = 0;
  // The CE_* error flags raised since the last call (and resets them), and the queue counts.
  virtual int ClearCommError(std::uint32_t& errors, CommStatus& status) = 0;
  // The EV_* events the comm wait reports; a change completes a wait in progress with none.
  virtual int SetCommMask(std::uint32_t mask) = 0;
  // Blocks until one of the selected events occurs (events: their EV_* bits) or stop is set
  // (kWaitStopped, which wins when both happen).
  virtual int WaitCommEvent(std::uint32_t& events, const DeviceEvent& stop) = 0;
};

// What WaitCommEvent returns when its stop event was set.
inline constexpr int kWaitStopped = -2;

using ComDeviceFactory = std::function<std::unique_ptr<ComDevice>()>;

}  // namespace kestrova
