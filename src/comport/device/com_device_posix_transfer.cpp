// ComDevicePosix: overlapped transfers, started by the caller and moved on by the I/O loop, and
// Purge.
#include "comport/device/com_device_posix.h"

#include "comport/device/transfer_timeouts.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace kestrova {
namespace {

IoClock::time_point After(IoClock::time_point start, Millis ms) {
  // Timeouts reach 2^32 * 2^32 ms; anything past a century is "never".
  return start + std::chrono::milliseconds(std::min<Millis>(ms, Millis{1} << 42));
}

}  // namespace

int ComDevicePosix::StartWrite(DeviceTransfer& transfer, const void* data, std::uint32_t count, std::uint32_t& done) {
  // The write path only reads through Data.
  return Start(transfer, true, static_cast<std::uint8_t*>(const_cast<void*>(data)), count, done);
}

int ComDevicePosix::StartRead(DeviceTransfer& transfer, void* buffer, std::uint32_t count, std::uint32_t& done) {
  return Start(transfer, false, static_cast<std::uint8_t*>(buffer), count, done);
}

int ComDevicePosix::Start(DeviceTransfer& transfer, bool isWrite, std::uint8_t* data, std::uint32_t count,
                          std::uint32_t& done) {
  done = 0;
  if (fd_ < 0) return EBADF;
  std::lock_guard lock(mutex_);
  if (transfer.Pending) return EBUSY;
  // A read may still take what arrived before the hangup.
  if (hungUp_ && (isWrite || input_.Size() == 0)) return EIO;
  transfer.IsWrite = isWrite;
  transfer.Data = data;
  transfer.Count = count;
  transfer.Done = 0;
  transfer.Error = 0;
  transfer.Timeouts = timeouts_;
  const auto now = Clock::now();
  transfer.Started = transfer.LastByte = now;
  std::uint32_t happened = 0;
  if (!isWrite) happened = PullInputLocked();  // what the loop has not taken yet
  transfer.Pending = true;
  if (ProgressLocked(transfer, now)) {
    // Ended at once: its event was set and stays so.
    SettleLocked(happened, now);
    done = transfer.Done;
    return transfer.Error;
  }
  transfer.Event.Reset();
  pending_.push_back(&transfer);
  SettleLocked(happened, now);
  return kIoPending;
}

int ComDevicePosix::AwaitTransfer(DeviceTransfer& transfer, std::uint32_t& count) {
  transfer.Event.Wait(-1);
  std::lock_guard lock(mutex_);  // the loop wrote the result under it
  count = transfer.Done;
  return transfer.Error;
}

int ComDevicePosix::Purge(std::uint32_t flags) {
  if (fd_ < 0) return EBADF;
  bool hungUp, outputEmpty;
  {
    std::lock_guard lock(mutex_);
    EndAllLocked(flags, ECANCELED);
    if (flags & PURGE_RXCLEAR) input_.Clear();
    if (flags & PURGE_TXCLEAR) txPending_ = false;
    hungUp = hungUp_;
    outputEmpty = outputEmpty_;
    SettleLocked(0, Clock::now());
  }
  if (hungUp) return 0;
  if ((flags & PURGE_RXCLEAR) && ::tcflush(fd_, TCIFLUSH) != 0) return errno;
  if ((flags & PURGE_TXCLEAR) && !outputEmpty && OutputQueued() > 0 && ::tcflush(fd_, TCOFLUSH) != 0) return errno;
  return 0;
}

std::uint32_t ComDevicePosix::OutputQueued() const {
  // Only bytes the driver still holds: on a pseudo-terminal written bytes are already in the
  // peer's input, which an output flush of ours would throw away.
  if (pseudoTerminal_) return 0;
  int queued = 0;
  return ::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0 ? static_cast<std::uint32_t>(queued) : 0;
}

bool ComDevicePosix::ProgressLocked(DeviceTransfer& transfer, Clock::time_point now) {
  return transfer.IsWrite ? ProgressWriteLocked(transfer, now) : ProgressReadLocked(transfer, now);
}

bool ComDevicePosix::ProgressWriteLocked(DeviceTransfer& t, Clock::time_point now) {
  const bool handingOver = t.Done < t.Count;
  while (t.Done < t.Count && !hungUp_) {
    ssize_t n = ::write(fd_, t.Data + t.Done, t.Count - t.Done);
    if (n > 0) {
      t.Done += static_cast<std::uint32_t>(n);
      outputEmpty_ = false;
    } else if (n < 0 && errno == EAGAIN) {
      break;
    } else if (n == 0 || errno == EIO) {
      HangUpLocked();
    } else if (errno != EINTR) {
      EndLocked(t, errno);
      return true;
    }
  }
  if (hungUp_) {
    EndLocked(t, EIO);
    return true;
  }
  std::uint32_t queued = 0;
  if (t.Done == t.Count) {
    // All bytes are the driver's now: EV_TXEMPTY once they have left.
    if (handingOver && (mask_ & EV_TXEMPTY)) txPending_ = true;
    queued = OutputQueued();
    if (queued == 0) {
      outputEmpty_ = true;
      EndLocked(t, 0);
      return true;
    }
  }
  if (auto limit = WriteTimeout(t.Timeouts, t.Count); limit && now >= After(t.Started, *limit)) {
    // Timed out: the count is what has left the port. What the driver still holds of it is
    // dropped, so that the count stays true.
    if (t.Done < t.Count) queued = OutputQueued();
    if (queued > 0 && ::tcflush(fd_, TCOFLUSH) == 0) outputEmpty_ = true;
    t.Done -= std::min(t.Done, queued);
    EndLocked(t, 0);
    return true;
  }
  return false;
}

bool ComDevicePosix::ProgressReadLocked(DeviceTransfer& t, Clock::time_point now) {
  std::uint32_t got = 0;
  for (;;) {
    const std::uint32_t taken = input_.Take(t.Data + t.Done, t.Count - t.Done);
    t.Done += taken;
    got += taken;
    if (taken == 0 || t.Done == t.Count || hungUp_) break;
    // Taking made room: what the kernel still holds follows at once, so that a read gets all
    // that InQueueCount counted.
    pulledEvents_ |= PullInputLocked();
  }
  if (got > 0) t.LastByte = now;
  const ReadPlan plan = MakeReadPlan(t.Timeouts, t.Count);
  if (t.Done == t.Count || plan.returnQueued || (plan.returnOnFirstByte && t.Done > 0) ||
      (plan.total && now >= After(t.Started, *plan.total)) ||
      (plan.interval && t.Done > 0 && now >= After(t.LastByte, *plan.interval))) {
    EndLocked(t, 0);
    return true;
  }
  if (hungUp_) {
    // Nothing more will come: what was queued is the read's; with nothing it fails.
    EndLocked(t, t.Done > 0 ? 0 : EIO);
    return true;
  }
  return false;
}

IoClock::time_point ComDevicePosix::DeadlineLocked(const DeviceTransfer& t, Clock::time_point now) const {
  auto deadline = Clock::time_point::max();
  if (t.IsWrite) {
    if (auto limit = WriteTimeout(t.Timeouts, t.Count)) deadline = After(t.Started, *limit);
    if (t.Done == t.Count) deadline = std::min(deadline, now + std::chrono::milliseconds(kDrainPollMs));
    return deadline;
  }
  const ReadPlan plan = MakeReadPlan(t.Timeouts, t.Count);
  if (plan.total) deadline = After(t.Started, *plan.total);
  if (plan.interval && t.Done > 0) deadline = std::min(deadline, After(t.LastByte, *plan.interval));
  return deadline;
}

void ComDevicePosix::EndLocked(DeviceTransfer& transfer, int error) {
  transfer.Error = error;
  transfer.Pending = false;
  std::erase(pending_, &transfer);
  transfer.Event.Set();
}

void ComDevicePosix::EndAllLocked(std::uint32_t abortFlags, int error) {
  const std::vector<DeviceTransfer*> all = pending_;
  for (DeviceTransfer* t : all) {
    if (abortFlags & (t->IsWrite ? PURGE_TXABORT : PURGE_RXABORT)) EndLocked(*t, error);
  }
}

}  // namespace kestrova
