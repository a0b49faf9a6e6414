// A scripted device for tests: records every record it is given and fails on request.
#pragma once

#include "comport/device/com_device.h"

#include <optional>
#include <vector>

namespace kestrova {

enum class DeviceCall { Open, Close, SetupQueues, SetState, SetTimeouts, GetModemStatus };

// One call as the device received it; only the field of its own call is filled.
struct DeviceCallRecord {
  DeviceCall call = DeviceCall::Open;
  std::string path = {};
  QueueSizes queues = {};
  DeviceControlBlock state = {};
  CommTimeouts timeouts = {};
};

// Owned by the test and outliving every fake device it makes, so the log keeps what the devices
// that a port creates and drops at each open and close received. Single-threaded.
class FakeDeviceScript final {
 public:
  // From now on every call of this kind fails with err (and changes nothing).
  void Fail(DeviceCall call, int err) { failure_ = Failure{call, err}; }
  void ClearFailure() { failure_.reset(); }
  // The status that GetModemStatus reports (kModem*On bits).
  void SetModemStatus(std::uint32_t status) { modemStatus_ = status; }

  const std::vector<DeviceCallRecord>& Records() const { return records_; }
  std::vector<DeviceCall> Calls() const;
  void ClearRecords() { records_.clear(); }
  // Devices open right now.
  int OpenCount() const { return openCount_; }

  // The factory to give a port: each device it makes records into this script.
  ComDeviceFactory Factory();

 private:
  friend class ComDeviceFake;
  struct Failure {
    DeviceCall call;
    int err;
  };
  int Record(DeviceCallRecord record);

  std::vector<DeviceCallRecord> records_;
  std::optional<Failure> failure_;
  std::uint32_t modemStatus_ = 0;
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

 private:
  FakeDeviceScript& script_;
  bool open_ = false;
};

}  // namespace kestrova
