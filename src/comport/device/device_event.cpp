#include "comport/device/device_event.h"

#include <chrono>

namespace kestrova {

void DeviceEvent::Set() {
  std::lock_guard lock(mutex_);
  set_ = true;
  changed_.notify_all();
}

void DeviceEvent::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool DeviceEvent::IsSet() const {
  std::lock_guard lock(mutex_);
  return set_;
}

bool DeviceEvent::Wait(int timeoutMs) const {
  std::unique_lock lock(mutex_);
  if (timeoutMs < 0) {
    changed_.wait(lock, [this] { return set_; });
    return true;
  }
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return set_; });
}

}  // namespace kestrova
