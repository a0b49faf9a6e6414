#include "comport/device/com_device_fake.h"

namespace kestrova {

std::vector<DeviceCall> FakeDeviceScript::Calls() const {
  std::vector<DeviceCall> calls;
  for (const DeviceCallRecord& r : records_) calls.push_back(r.call);
  return calls;
}

ComDeviceFactory FakeDeviceScript::Factory() {
  return [this]() { return std::make_unique<ComDeviceFake>(*this); };
}

int FakeDeviceScript::Record(DeviceCallRecord record) {
  DeviceCall call = record.call;
  records_.push_back(std::move(record));
  return failure_ && failure_->call == call ? failure_->err : 0;
}

int ComDeviceFake::Open(const std::string& path) {
  int err = script_.Record({.call = DeviceCall::Open, .path = path});
  if (err == 0) {
    open_ = true;
    ++script_.openCount_;
  }
  return err;
}

void ComDeviceFake::Close() {
  if (!open_) return;
  script_.Record({.call = DeviceCall::Close});
  open_ = false;
  --script_.openCount_;
}

int ComDeviceFake::SetupQueues(const QueueSizes& sizes) {
  return script_.Record({.call = DeviceCall::SetupQueues, .queues = sizes});
}

int ComDeviceFake::SetState(const DeviceControlBlock& dcb) {
  return script_.Record({.call = DeviceCall::SetState, .state = dcb});
}

int ComDeviceFake::SetTimeouts(const CommTimeouts& timeouts) {
  return script_.Record({.call = DeviceCall::SetTimeouts, .timeouts = timeouts});
}

int ComDeviceFake::GetModemStatus(std::uint32_t& status) {
  int err = script_.Record({.call = DeviceCall::GetModemStatus});
  status = err == 0 ? script_.modemStatus_ : 0;
  return err;
}

}  // namespace kestrova
