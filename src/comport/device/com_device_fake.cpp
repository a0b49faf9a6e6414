#include "comport/device/com_device_fake.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace kestrova {

void FakeDeviceScript::Fail(DeviceCall call, int err) {
  std::lock_guard lock(mutex_);
  failure_ = Failure{call, err};
}

void FakeDeviceScript::ClearFailure() {
  std::lock_guard lock(mutex_);
  failure_.reset();
}

void FakeDeviceScript::SetModemStatus(std::uint32_t status) {
  std::lock_guard lock(mutex_);
  modemStatus_ = status;
}

void FakeDeviceScript::SetErrorFlags(std::uint32_t flags) {
  std::lock_guard lock(mutex_);
  errorFlags_ = flags;
}

void FakeDeviceScript::AddInput(const std::string& bytes) {
  std::lock_guard lock(mutex_);
  input_ += bytes;
}

void FakeDeviceScript::PushEvents(std::uint32_t events) {
  std::lock_guard lock(mutex_);
  if (sink_ != nullptr && (events & mask_) != 0) sink_->CommEventsOccurred(events & mask_);
}

void FakeDeviceScript::HangUp() {
  std::lock_guard lock(mutex_);
  gone_ = true;
}

std::vector<DeviceCallRecord> FakeDeviceScript::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

std::vector<DeviceCall> FakeDeviceScript::Calls() const {
  std::vector<DeviceCall> calls;
  for (const DeviceCallRecord& r : Records()) calls.push_back(r.call);
  return calls;
}

void FakeDeviceScript::ClearRecords() {
  std::lock_guard lock(mutex_);
  records_.clear();
}

int FakeDeviceScript::OpenCount() const {
  std::lock_guard lock(mutex_);
  return openCount_;
}

ComDeviceFactory FakeDeviceScript::Factory() {
  return [this]() { return std::make_unique<ComDeviceFake>(*this); };
}

int FakeDeviceScript::Record(DeviceCallRecord record) {
  DeviceCall call = record.call;
  std::lock_guard lock(mutex_);
  records_.push_back(std::move(record));
  return failure_ && failure_->call == call ? failure_->err : 0;
}

int ComDeviceFake::Open(const std::string& path) {
  int err = script_.Record({.call = DeviceCall::Open, .path = path});
  if (err == 0) {
    open_ = true;
    std::lock_guard lock(script_.mutex_);
    ++script_.openCount_;
    script_.gone_ = false;
  }
  return err;
}

void ComDeviceFake::Close() {
  if (!open_) return;
  script_.Record({.call = DeviceCall::Close});
  open_ = false;
  std::lock_guard lock(script_.mutex_);
  --script_.openCount_;
  script_.sink_ = nullptr;
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
  std::lock_guard lock(script_.mutex_);
  status = err == 0 ? script_.modemStatus_ : 0;
  return err;
}

int ComDeviceFake::StartWrite(DeviceTransfer& transfer, const void* data, std::uint32_t count, std::uint32_t& done) {
  done = 0;
  std::string bytes(static_cast<const char*>(data), count);
  if (int err = script_.Record({.call = DeviceCall::StartWrite, .data = bytes})) return err;
  transfer.IsWrite = true;
  transfer.Count = transfer.Done = done = count;
  transfer.Error = 0;
  return 0;
}

int ComDeviceFake::StartRead(DeviceTransfer& transfer, void* buffer, std::uint32_t count, std::uint32_t& done) {
  done = 0;
  if (int err = script_.Record({.call = DeviceCall::StartRead, .flags = count})) return err;
  std::lock_guard lock(script_.mutex_);
  done = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(script_.input_.size()));
  std::memcpy(buffer, script_.input_.data(), done);
  script_.input_.erase(0, done);
  transfer.IsWrite = false;
  transfer.Count = count;
  transfer.Done = done;
  transfer.Error = 0;
  return 0;
}

int ComDeviceFake::AwaitTransfer(DeviceTransfer& transfer, std::uint32_t& count) {
  count = transfer.Done;
  if (int err = script_.Record({.call = DeviceCall::AwaitTransfer})) transfer.Error = err;
  return transfer.Error;
}

int ComDeviceFake::Purge(std::uint32_t flags) {
  return script_.Record({.call = DeviceCall::Purge, .flags = flags});
}

int ComDeviceFake::ClearCommError(std::uint32_t& errors, CommStatus& status) {
  errors = 0;
  status = {};
  if (int err = script_.Record({.call = DeviceCall::ClearCommError})) return err;
  std::lock_guard lock(script_.mutex_);
  errors = std::exchange(script_.errorFlags_, 0);
  status.cbInQue = static_cast<std::uint32_t>(script_.input_.size());
  return 0;
}

int ComDeviceFake::SetCommMask(std::uint32_t mask, CommEventSink* sink) {
  if (int err = script_.Record({.call = DeviceCall::SetCommMask, .flags = mask})) return err;
  std::lock_guard lock(script_.mutex_);
  script_.mask_ = mask;
  script_.sink_ = sink;
  return 0;
}

bool ComDeviceFake::Gone() {
  std::lock_guard lock(script_.mutex_);
  return script_.gone_;
}

}  // namespace kestrova
