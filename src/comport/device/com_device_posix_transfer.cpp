// ComDevicePosix: overlapped transfers, driven by the thread that awaits them, and Purge.
#include "comport/device/com_device_posix.h"

#include "comport/device/transfer_timeouts.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>

namespace kestrova {
namespace {

using Clock = std::chrono::steady_clock;


Clock::time_point After(Clock::time_point start, Millis ms) {
  // Timeouts reach 2^32 * 2^32 ms; anything past a century is "never".
  return start + std::chrono::milliseconds(std::min<Millis>(ms, Millis{1} << 42));
}

int MillisUntil(Clock::time_point deadline, Clock::time_point now) {
  if (deadline <= now) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
  return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
}

int Earliest(int a, int b) { return a < 0 ? b : b < 0 ? a : std::min(a, b); }

std::size_t Side(bool isWrite) { return isWrite ? 0 : 1; }

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
  if (transfer.Event.Error() != 0) return transfer.Event.Error();
  if (transfer.Pending) return EBUSY;
  transfer.IsWrite = isWrite;
  transfer.Data = data;
  transfer.Count = count;
  transfer.Done = 0;
  transfer.Error = 0;
  transfer.Timeouts = timeouts_;
  transfer.Started = transfer.LastByte = Clock::now();
  {
    std::lock_guard lock(mutex_);
    if (hungUp_) return EIO;
    transfer.AbortGeneration = abortGeneration_[Side(isWrite)];
  }
  transfer.Event.Reset();
  transfer.Pending = true;
  if (Progress(transfer) == Step::Going) return kIoPending;
  done = transfer.Done;
  return transfer.Error;
}

int ComDevicePosix::AwaitTransfer(DeviceTransfer& transfer, std::uint32_t& count) {
  if (transfer.Pending) {
    {
      std::lock_guard lock(mutex_);
      awaiting_.push_back(&transfer);
    }
    bool gone = false;
    while (true) {
      // Reset before looking, so that an abort after the look still wakes the poll below.
      transfer.Event.Reset();
      if (Aborted(transfer)) {
        End(transfer, ECANCELED);
        break;
      }
      if (Progress(transfer) == Step::Ended) break;
      if (gone) {
        // The descriptor reports a hangup or an error that the step itself did not meet.
        std::lock_guard lock(mutex_);
        hungUp_ = true;
        End(transfer, EIO);
        break;
      }
      const bool writing = transfer.IsWrite && transfer.Done < transfer.Count;
      const short events = writing ? POLLOUT : transfer.IsWrite ? 0 : POLLIN;
      pollfd p[2] = {{transfer.Event.Fd(), POLLIN, 0}, {fd_, events, 0}};
      if (::poll(p, 2, WaitMs(transfer)) < 0 && errno != EINTR) {
        End(transfer, errno);
        break;
      }
      gone = (p[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    }
    std::lock_guard lock(mutex_);
    std::erase(awaiting_, &transfer);
  }
  count = transfer.Done;
  return transfer.Error;
}

int ComDevicePosix::Purge(std::uint32_t flags) {
  if (fd_ < 0) return EBADF;
  bool hungUp;
  {
    std::lock_guard lock(mutex_);
    if (flags & PURGE_TXABORT) ++abortGeneration_[Side(true)];
    if (flags & PURGE_RXABORT) ++abortGeneration_[Side(false)];
    for (DeviceTransfer* t : awaiting_) {
      if (flags & (t->IsWrite ? PURGE_TXABORT : PURGE_RXABORT)) t->Event.Set();
    }
    if (flags & PURGE_RXCLEAR) input_.Clear();
    if (flags & PURGE_TXCLEAR) txPending_ = false;
    hungUp = hungUp_;
  }
  if (hungUp) return 0;
  if ((flags & PURGE_RXCLEAR) && ::tcflush(fd_, TCIFLUSH) != 0) return errno;
  if ((flags & PURGE_TXCLEAR) && OutputQueued() && ::tcflush(fd_, TCOFLUSH) != 0) return errno;
  return 0;
}

bool ComDevicePosix::OutputQueued() const {
  // Only bytes the driver still holds: on a pseudo-terminal written bytes are already in the
  // peer's input, which an output flush of ours would throw away.
  int queued = 0;
  return ::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0;
}

ComDevicePosix::Step ComDevicePosix::Progress(DeviceTransfer& transfer) {
  return transfer.IsWrite ? ProgressWrite(transfer) : ProgressRead(transfer);
}

ComDevicePosix::Step ComDevicePosix::ProgressWrite(DeviceTransfer& t) {
  const bool handingOver = t.Done < t.Count;
  while (t.Done < t.Count) {
    ssize_t n = ::write(fd_, t.Data + t.Done, t.Count - t.Done);
    if (n > 0) {
      t.Done += static_cast<std::uint32_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      break;
    } else if (n == 0 || errno != EINTR) {
      End(t, n < 0 ? errno : EIO);
      return Step::Ended;
    }
  }
  if (t.Done == t.Count) {
    if (handingOver) {
      // All bytes are the driver's now: the comm wait reports EV_TXEMPTY once they have left.
      std::lock_guard lock(mutex_);
      if (mask_ & EV_TXEMPTY) {
        txPending_ = true;
        wake_->Set();
      }
    }
    int queued = 0;
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) {
      if (errno == EIO) {
        End(t, EIO);
        return Step::Ended;
      }
      queued = 0;  // a driver that cannot tell holds nothing back
    }
    if (queued == 0) {
      End(t, 0);
      return Step::Ended;
    }
  }
  if (auto limit = WriteTimeout(t.Timeouts, t.Count); limit && Clock::now() >= After(t.Started, *limit)) {
    End(t, ETIMEDOUT);
    return Step::Ended;
  }
  return Step::Going;
}

ComDevicePosix::Step ComDevicePosix::ProgressRead(DeviceTransfer& t) {
  int error = 0;
  bool hungUp;
  std::uint32_t got;
  {
    std::lock_guard lock(mutex_);
    got = input_.Take(t.Data + t.Done, t.Count - t.Done);
    if (t.Done + got < t.Count && input_.Size() == 0 && !hungUp_) {
      ssize_t n = ::read(fd_, t.Data + t.Done + got, t.Count - t.Done - got);
      if (n > 0) {
        got += static_cast<std::uint32_t>(n);
      } else if (n == 0 || errno == EIO) {
        hungUp_ = true;  // read() == 0 with VMIN 1 only happens on a device that has gone
      } else if (errno != EAGAIN && errno != EINTR) {
        error = errno;
      }
    }
    hungUp = hungUp_;
  }
  const auto now = Clock::now();
  t.Done += got;
  if (got > 0) t.LastByte = now;
  const ReadPlan plan = MakeReadPlan(t.Timeouts, t.Count);
  if (error != 0 || (hungUp && t.Done < t.Count)) {
    End(t, error != 0 ? error : EIO);
  } else if (t.Done == t.Count || plan.returnQueued || (plan.returnOnFirstByte && t.Done > 0) ||
             (plan.total && now >= After(t.Started, *plan.total)) ||
             (plan.interval && t.Done > 0 && now >= After(t.LastByte, *plan.interval))) {
    End(t, 0);
  } else {
    return Step::Going;
  }
  return Step::Ended;
}

int ComDevicePosix::WaitMs(const DeviceTransfer& t) const {
  const auto now = Clock::now();
  if (t.IsWrite) {
    auto limit = WriteTimeout(t.Timeouts, t.Count);
    int untilDeadline = limit ? MillisUntil(After(t.Started, *limit), now) : -1;
    return t.Done < t.Count ? untilDeadline : Earliest(untilDeadline, kDrainPollMs);
  }
  const ReadPlan plan = MakeReadPlan(t.Timeouts, t.Count);
  int wait = plan.total ? MillisUntil(After(t.Started, *plan.total), now) : -1;
  if (plan.interval && t.Done > 0) wait = Earliest(wait, MillisUntil(After(t.LastByte, *plan.interval), now));
  return wait;
}

bool ComDevicePosix::Aborted(const DeviceTransfer& transfer) {
  std::lock_guard lock(mutex_);
  return transfer.AbortGeneration != abortGeneration_[Side(transfer.IsWrite)];
}

void ComDevicePosix::End(DeviceTransfer& transfer, int error) {
  transfer.Error = error;
  transfer.Pending = false;
  transfer.Event.Set();
}

}  // namespace kestrova
