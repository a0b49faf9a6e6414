// The device layer on Linux: a terminal device configured with termios and ioctls.
#pragma once

#include "comport/device/com_device.h"

#include <termios.h>

namespace kestrova {

// Owns one file descriptor from Open() to Close() (or destruction). The open is exclusive in
// two ways: flock() keeps out every other process that locks, including root, and TIOCEXCL keeps
// out unprivileged processes that do not. Queue sizes and timeouts have no termios counterpart;
// they are kept for the transfer operations, which emulate them.
class ComDevicePosix final : public ComDevice {
 public:
  ComDevicePosix() = default;
  ~ComDevicePosix() override;

  int Open(const std::string& path) override;
  void Close() override;
  int SetupQueues(const QueueSizes& sizes) override;
  int SetState(const DeviceControlBlock& dcb) override;
  int SetTimeouts(const CommTimeouts& timeouts) override;
  int GetModemStatus(std::uint32_t& status) override;

  int Descriptor() const { return fd_; }
  const QueueSizes& Queues() const { return queues_; }
  const CommTimeouts& Timeouts() const { return timeouts_; }
  // The last block applied: its characters and options that termios cannot express
  // (ErrorChar, fNull, EvtChar) are the transfer operations' to honour.
  const DeviceControlBlock& State() const { return state_; }

 private:
  int ReadTermios(termios& t) const;
  int WriteTermios(const termios& t) const;
  int SetModemControl(const DeviceControlBlock& dcb) const;

  int fd_ = -1;
  QueueSizes queues_;
  CommTimeouts timeouts_;
  DeviceControlBlock state_;
};

}  // namespace kestrova
