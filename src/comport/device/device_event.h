// DeviceEvent: a manual-reset event that poll() can wait on (an eventfd).
#pragma once

namespace kestrova {

// Set stays set until Reset, whoever waits. Any thread may Set, Reset or wait; the owner
// destroys it only when no other thread uses it any more. When the eventfd cannot be made,
// Error() holds the errno and every operation that needs the event reports it.
class DeviceEvent final {
 public:
  explicit DeviceEvent(bool signalled);
  ~DeviceEvent();
  DeviceEvent(const DeviceEvent&) = delete;
  DeviceEvent& operator=(const DeviceEvent&) = delete;

  int Error() const { return error_; }
  // The descriptor to poll for POLLIN; -1 when Error() is set.
  int Fd() const { return fd_; }
  void Set() const;
  void Reset() const;
  bool IsSet() const;
  // Waits until the event is set or timeoutMs has passed (-1: no limit); true when set.
  bool Wait(int timeoutMs) const;

 private:
  int fd_ = -1;
  int error_ = 0;
};

}  // namespace kestrova
