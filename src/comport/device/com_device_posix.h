// The device layer on Linux: a terminal device configured with termios and ioctls.
#pragma once

#include "comport/device/com_device.h"
#include "comport/device/input_queue.h"
#include "comport/device/line_counters.h"

#include <termios.h>

#include <memory>
#include <mutex>
#include <vector>

namespace kestrova {

// Owns one file descriptor from Open() to Close() (or destruction). The open is exclusive in
// two ways: flock() keeps out every other process that locks, including root, and TIOCEXCL keeps
// out unprivileged processes that do not. Queue sizes and timeouts have no termios counterpart;
// they are kept for the transfer operations, which emulate them.
//
// Overlapped transfers are driven by the thread that awaits them: a start moves what it can
// without blocking, the await polls the descriptor and the record's completion event until the
// transfer ends. Purge sets the events of the transfers being awaited, so an abort from another
// thread ends them at once. The comm wait (the event thread) moves received bytes into the
// device's own input queue, which reads empty first; that is how it sees the event character.
// Modem-line and line-error events come from polling the driver's counters (or modem bits)
// every 15 ms while waiting, and only on a device that has them: a pseudo-terminal has neither
// and its wait never polls. Once the device has gone (hangup), transfers fail with EIO and the
// comm wait only waits for its stop event.
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

  int StartWrite(DeviceTransfer& transfer, const void* data, std::uint32_t count, std::uint32_t& done) override;
  int StartRead(DeviceTransfer& transfer, void* buffer, std::uint32_t count, std::uint32_t& done) override;
  int AwaitTransfer(DeviceTransfer& transfer, std::uint32_t& count) override;
  int Purge(std::uint32_t flags) override;
  int ClearCommError(std::uint32_t& errors, CommStatus& status) override;
  int SetCommMask(std::uint32_t mask) override;
  int WaitCommEvent(std::uint32_t& events, const DeviceEvent& stop) override;

  int Descriptor() const { return fd_; }
  const QueueSizes& Queues() const { return queues_; }
  const CommTimeouts& Timeouts() const { return timeouts_; }
  // The last block applied: its characters and options that termios cannot express
  // (ErrorChar, fNull, EvtChar) are the transfer operations' to honour.
  const DeviceControlBlock& State() const { return state_; }

 private:
  // How often the output queue is looked at while written bytes drain: nothing else tells.
  static constexpr int kDrainPollMs = 2;
  // Where line events and error flags come from, found at open.
  enum class LineSource { None, Counters, ModemBits };
  // One step of a transfer: it goes on, or it has ended with Error (0 for success).
  enum class Step { Going, Ended };

  int ReadTermios(termios& t) const;
  int WriteTermios(const termios& t) const;
  int SetModemControl(const DeviceControlBlock& dcb) const;
  // RTS toggle through the driver's RS-485 mode, which is switched off for the other RTS
  // controls; ENOTTY (nothing changed) when the driver has no such mode.
  int SetRs485Mode(const DeviceControlBlock& dcb) const;
  void FindLineSource();
  // True while the driver holds written bytes that have not left.
  bool OutputQueued() const;
  bool ReadCounts(LineCounts& counts) const;

  // Transfers (com_device_posix_transfer.cpp).
  int Start(DeviceTransfer& transfer, bool isWrite, std::uint8_t* data, std::uint32_t count, std::uint32_t& done);
  Step Progress(DeviceTransfer& transfer);
  Step ProgressWrite(DeviceTransfer& transfer);
  Step ProgressRead(DeviceTransfer& transfer);
  // How long the await may sleep before the next step (-1: until woken).
  int WaitMs(const DeviceTransfer& transfer) const;
  bool Aborted(const DeviceTransfer& transfer);
  void End(DeviceTransfer& transfer, int error);

  // The comm wait (com_device_posix_wait.cpp).
  std::uint32_t PullInput();
  std::uint32_t PollLines();
  std::uint32_t CheckOutputDrained();

  int fd_ = -1;
  QueueSizes queues_;
  CommTimeouts timeouts_;
  DeviceControlBlock state_;
  LineSource lineSource_ = LineSource::None;
  bool hasModemLines_ = false;  // TIOCMGET works (found at open)

  // Guards everything below: the owner's transfers, the event thread's wait and Purge meet here.
  std::mutex mutex_;
  InputQueue input_;
  std::uint64_t abortGeneration_[2] = {};  // [write, read]: bumped by each abort
  std::vector<DeviceTransfer*> awaiting_;   // transfers a thread is blocked on
  bool hungUp_ = false;
  std::uint32_t mask_ = 0;
  bool txPending_ = false;  // output written since the last EV_TXEMPTY
  LineCounts eventCounts_, errorCounts_;
  int modemBits_ = 0;
  std::unique_ptr<DeviceEvent> wake_;  // wakes the comm wait: mask changed, output started
};

}  // namespace kestrova
