// The device layer on Linux: a terminal device configured with termios and ioctls.
#pragma once

#include "comport/device/com_device.h"
#include "comport/device/input_queue.h"
#include "comport/device/io_loop.h"
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
// Transfers are overlapped: a start moves what it can at once, and the process-wide I/O loop
// (io_loop.h) moves the rest as the descriptor becomes ready, ends the transfer when it is done
// or its time is up, and sets its event; nobody has to wait for it to make progress. The loop
// also keeps the device's own input queue filled from the kernel (up to the queue size), so that
// what arrived before a hangup can still be read, and finds the comm events of the mask for the
// sink. Modem-line and line-error events come from polling the driver's counters (or modem bits)
// every 15 ms, and only on a device that has them: a pseudo-terminal has neither. Once the
// device has gone (hangup), writes fail with EIO and reads only take what is queued.
//
// Locking lives in one place: mutex_ guards every field the loop and the callers share; the
// loop calls Service with no lock of its own held.
class ComDevicePosix final : public ComDevice, private IoSource {
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
  int SetCommMask(std::uint32_t mask, CommEventSink* sink) override;
  bool Gone() override;

  int Descriptor() const { return fd_; }
  const QueueSizes& Queues() const { return queues_; }
  const CommTimeouts& Timeouts() const { return timeouts_; }
  // The last block applied: its characters and options that termios cannot express
  // (ErrorChar, fNull, EvtChar) are the transfer operations' to honour.
  const DeviceControlBlock& State() const { return state_; }

 private:
  using Clock = IoClock;
  // How often the output queue is looked at while written bytes drain: nothing else tells.
  static constexpr int kDrainPollMs = 2;
  // How often the driver's line counters are read while line events are selected.
  static constexpr int kLinePollMs = 15;
  // Where line events and error flags come from, found at open.
  enum class LineSource { None, Counters, ModemBits };

  int ReadTermios(termios& t) const;
  int WriteTermios(const termios& t) const;
  int SetModemControl(const DeviceControlBlock& dcb) const;
  // RTS toggle through the driver's RS-485 mode, which is switched off for the other RTS
  // controls; ENOTTY (nothing changed) when the driver has no such mode.
  int SetRs485Mode(const DeviceControlBlock& dcb) const;
  void FindLineSource();
  // The written bytes the driver still holds; 0 when it cannot tell, and on a pseudo-terminal,
  // where written bytes are at once in the peer's input.
  std::uint32_t OutputQueued() const;
  bool ReadCounts(LineCounts& counts) const;

  // Transfers (com_device_posix_transfer.cpp); the *Locked functions need mutex_.
  int Start(DeviceTransfer& transfer, bool isWrite, std::uint8_t* data, std::uint32_t count, std::uint32_t& done);
  // Moves the transfer on; true when it has ended.
  bool ProgressLocked(DeviceTransfer& transfer, Clock::time_point now);
  bool ProgressWriteLocked(DeviceTransfer& transfer, Clock::time_point now);
  bool ProgressReadLocked(DeviceTransfer& transfer, Clock::time_point now);
  // When the loop must look at the transfer again whatever happens.
  Clock::time_point DeadlineLocked(const DeviceTransfer& transfer, Clock::time_point now) const;
  void EndLocked(DeviceTransfer& transfer, int error);
  void EndAllLocked(std::uint32_t abortFlags, int error);

  // The loop's side (com_device_posix_service.cpp).
  void Service(std::uint32_t ready) override;
  // Moves what the kernel holds into the input queue; the events it raises.
  std::uint32_t PullInputLocked();
  void HangUpLocked();
  std::uint32_t PollLinesLocked();
  std::uint32_t CheckOutputDrainedLocked();
  // Progresses every pending transfer, reports events, and tells the loop what to wait for.
  void SettleLocked(std::uint32_t happened, Clock::time_point now);

  int fd_ = -1;
  IoLoop* loop_ = nullptr;
  std::uint64_t loopId_ = 0;
  QueueSizes queues_;
  CommTimeouts timeouts_;
  LineSource lineSource_ = LineSource::None;
  bool hasModemLines_ = false;  // TIOCMGET works (found at open)
  bool pseudoTerminal_ = false;  // opened at /dev/pts/N: no modem lines, no output queue

  std::mutex mutex_;
  DeviceControlBlock state_;
  InputQueue input_;
  std::vector<DeviceTransfer*> pending_;  // transfers that go on
  bool hungUp_ = false;
  std::uint32_t mask_ = 0;
  CommEventSink* sink_ = nullptr;
  bool txPending_ = false;  // output written since the last EV_TXEMPTY
  // The driver's output queue was found empty (or flushed) and nothing was written since: no
  // need to ask it again before a flush or EV_TXEMPTY.
  bool outputEmpty_ = false;
  std::uint32_t pulledEvents_ = 0;  // events of input a read pulled in, for the next settle
  LineCounts eventCounts_, errorCounts_;
  int modemBits_ = 0;
  Clock::time_point nextLinePoll_;
};

}  // namespace kestrova
