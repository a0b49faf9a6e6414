// A scripted device for tests: records every call it is given and fails on request.
#pragma once

#include "comport/device/com_device.h"

#include <optional>
#include <mutex>
#include <string>
#include <vector>

namespace kestrova {

enum class DeviceCall {
  Open, Close, SetupQueues, SetState, SetTimeouts, GetModemStatus,
  StartWrite, StartRead, AwaitTransfer, Purge, ClearCommError, SetCommMask
};

// One call as the device received it; only the fields of its own call are filled.
struct DeviceCallRecord {
  DeviceCall call = DeviceCall::Open;
  std::string path = {};
  QueueSizes queues = {};
  DeviceControlBlock state = {};
  CommTimeouts timeouts = {};
  std::string data = {};     // StartWrite: the bytes
  std::uint32_t flags = 0;   // Purge: its flags; SetCommMask: the mask; StartRead: the count
};

// Owned by the test and outliving every fake device it makes, so the log keeps what the devices
// that a port creates and drops at each open and close received. Thread-safe: the event thread
// waits and reads through it while the test scripts it.
//
// Transfers end at once: a write takes all its bytes, a read what the input holds (up to its
// count). Pushed events go at once to the sink of the open device, as far as its mask selects
// them (none without a sink).
class FakeDeviceScript final {
 public:
  // From now on every call of this kind fails with err (and changes nothing); one kind at a time.
  void Fail(DeviceCall call, int err);
  void ClearFailure();
  // The status that GetModemStatus reports (kModem*On bits).
  void SetModemStatus(std::uint32_t status);
  // CE_* flags that the next ClearCommError reports (and resets).
  void SetErrorFlags(std::uint32_t flags);
  // Bytes that arrive in the input queue.
  void AddInput(const std::string& bytes);
  // EV_* bits that occur on the open device.
  void PushEvents(std::uint32_t events);
  // The open device has gone: Gone() reports it (until a new device opens).
  void HangUp();

  std::vector<DeviceCallRecord> Records() const;
  std::vector<DeviceCall> Calls() const;
  void ClearRecords();
  // Devices open right now.
  int OpenCount() const;

  // The factory to give a port: each device it makes records into this script.
  ComDeviceFactory Factory();

 private:
  friend class ComDeviceFake;
  int Record(DeviceCallRecord record);

  mutable std::mutex mutex_;
  std::vector<DeviceCallRecord> records_;
  struct Failure {
    DeviceCall call;
    int err;
  };
  std::optional<Failure> failure_;
  std::uint32_t modemStatus_ = 0;
  std::uint32_t errorFlags_ = 0;
  std::string input_;
  CommEventSink* sink_ = nullptr;
  std::uint32_t mask_ = 0;
  bool gone_ = false;
  int openCount_ = 0;
};

class ComDeviceFake final : public ComDevice {
 public:
  explicit ComDeviceFake(FakeDeviceScript& script) : script_(script) {}
  ~ComDeviceFake() override { Close(); }

  int Open(const std::string& path) override;
  void Close() override;
  int SetupQueues(const QueueSizes& sizes) override;
  int SetState(const DeviceControlBlock& dcb) override;
  int SetTimeouts(const CommTimeouts& timeouts) override;
  int GetModemStatus(std::uint32_t& status) override;
  int StartWrite(DeviceTransfer& transfer, const void* data, std::uint32_t count, std::uint32_t& done) override;
  int StartRead(DeviceTransfer& transfer, void* buffer, std::uint32_t count, std::uint32_t& done) override;
  int AwaitTransfer(DeviceTransfer& transfer, std::uint32_t& count) override;
  int Purge(std::uint32_t flags) override;
  int ClearCommError(std::uint32_t& errors, CommStatus& status) override;
  int SetCommMask(std::uint32_t mask, CommEventSink* sink) override;
  bool Gone() override;

 private:
  FakeDeviceScript& script_;
  bool open_ = false;
};

}  // namespace kestrova
