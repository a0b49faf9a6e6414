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

// Where a device reports the comm events of its mask. Called on whichever thread found them,
// with the device's lock held: it must not call back into the device.
class CommEventSink {
 public:
  virtual void CommEventsOccurred(std::uint32_t events) = 0;

 protected:
  ~CommEventSink() = default;
};

// One serial device, opened once and closed once. Each operation returns 0 on success or the
// errno of the system call that failed; the caller turns that into its own error.
//
// Threads: Open, Close and the Setup/Set operations run on the owner's thread while no other
// thread uses the device; Close() also runs from the destructor. While the device is open,
// transfers, Purge, ClearCommError, GetModemStatus and SetCommMask may run on several threads
// at once (the owner writing while the event thread reads).
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
  // count; kIoPending: it goes on by itself (done is 0) and sets the record's event when it has
  // ended; otherwise the errno of a start that failed, leaving nothing pending. Data and buffer
  // must stay valid until the transfer has ended. A write has ended when its bytes have left
  // the output queue, or when its timeout has passed (then with the count that left). A read
  // takes what is queued even after the device has gone, and fails (EIO) only with nothing.
  virtual int StartWrite(DeviceTransfer& transfer, const void* data, std::uint32_t count, std::uint32_t& done) = 0;
  virtual int StartRead(DeviceTransfer& transfer, void* buffer, std::uint32_t count, std::uint32_t& done) = 0;
  // Blocks until the transfer has ended; count is what it moved. Fails with the errno of the
  // transfer: ECANCELED when aborted by Purge or Close, EIO when the device has gone. A record
  // that has no transfer pending returns the last result at once.
  virtual int AwaitTransfer(DeviceTransfer& transfer, std::uint32_t& count) = 0;
  // PURGE_* flags: the aborts end pending transfers as failed, the clears empty the queues.
  virtual int Purge(std::uint32_t flags) = 0;
  // The CE_* error flags raised since the last call (and resets them), and the queue counts.
  virtual int ClearCommError(std::uint32_t& errors, CommStatus& status) = 0;
  // Selects the EV_* events to report and the sink they go to, as they happen (mask 0 or no
  // sink: none). Once it returns, an earlier sink is never called again.
  virtual int SetCommMask(std::uint32_t mask, CommEventSink* sink) = 0;
  // True once the device has gone (hung up): nothing can move through it any more.
  virtual bool Gone() = 0;
};

using ComDeviceFactory = std::function<std::unique_ptr<ComDevice>()>;

}  // namespace kestrova
