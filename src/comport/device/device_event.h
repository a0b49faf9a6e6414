// DeviceEvent: a manual-reset event that threads wait on.
#pragma once

#include <condition_variable>
#include <mutex>

namespace kestrova {

// Set stays set until Reset, whoever waits. Any thread may Set, Reset or wait; the owner
// destroys it only when no other thread uses it any more. It holds no descriptor, so making one
// never fails for want of resources.
class DeviceEvent final {
 public:
  explicit DeviceEvent(bool signalled) : set_(signalled) {}
  DeviceEvent(const DeviceEvent&) = delete;
  DeviceEvent& operator=(const DeviceEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // Waits until the event is set or timeoutMs has passed (-1: no limit); true when set.
  bool Wait(int timeoutMs) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool set_;
};

}  // namespace kestrova
