// ComDevicePosix: the comm event wait of the event thread.
#include "comport/device/com_device_posix.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kestrova {
namespace {

constexpr std::uint32_t kReceiveEvents = EV_RXCHAR | EV_RXFLAG | EV_RX80FULL;
constexpr std::uint32_t kLineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_BREAK | EV_ERR;
// How often the driver's line counters are read while a line event is awaited.
constexpr int kLinePollMs = 15;

}  // namespace

int ComDevicePosix::SetCommMask(std::uint32_t mask) {
  if (fd_ < 0) return EBADF;
  std::lock_guard lock(mutex_);
  mask_ = mask;
  if ((mask & EV_TXEMPTY) == 0) txPending_ = false;
  wake_->Set();
  return 0;
}

int ComDevicePosix::WaitCommEvent(std::uint32_t& events, const DeviceEvent& stop) {
  events = 0;
  if (fd_ < 0) return EBADF;
  if (stop.Error() != 0) return stop.Error();
  std::uint32_t mask;
  bool readInput;
  {
    std::lock_guard lock(mutex_);
    mask = mask_;
    readInput = (mask & kReceiveEvents) != 0 && !hungUp_ && input_.Space() > 0;
  }
  int timeout = 0;  // the first look does not wait: something may have happened already
  while (true) {
    pollfd p[3] = {{stop.Fd(), POLLIN, 0}, {wake_->Fd(), POLLIN, 0}, {readInput ? fd_ : -1, POLLIN, 0}};
    if (::poll(p, 3, timeout) < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (p[0].revents != 0) return kWaitStopped;
    if (p[1].revents != 0) wake_->Reset();
    std::uint32_t happened = 0;
    {
      std::lock_guard lock(mutex_);
      // A new mask completes the wait with no event.
      if (mask_ != mask) return 0;
      if (p[2].revents != 0) happened |= PullInput();
      if (mask & kLineEvents) happened |= PollLines();
      if (mask & EV_TXEMPTY) happened |= CheckOutputDrained();
      readInput = (mask & kReceiveEvents) != 0 && !hungUp_ && input_.Space() > 0;
      timeout = -1;
      if (lineSource_ != LineSource::None && (mask & kLineEvents) != 0) timeout = kLinePollMs;
      if (txPending_) timeout = timeout < 0 ? kDrainPollMs : std::min(timeout, kDrainPollMs);
    }
    events = happened & mask;
    if (events != 0) return 0;
  }
}

std::uint32_t ComDevicePosix::PullInput() {
  std::uint8_t buffer[4096];
  const std::uint32_t room = std::min<std::uint32_t>(input_.Space(), sizeof buffer);
  ssize_t n = ::read(fd_, buffer, room);
  if (n > 0) {
    // A read being awaited polls the descriptor, which no longer shows these bytes.
    for (DeviceTransfer* t : awaiting_) {
      if (!t->IsWrite) t->Event.Set();
    }
    return input_.Append(buffer, static_cast<std::uint32_t>(n), state_.EvtChar);
  }
  // read() == 0 with VMIN 1, or EIO: the device has gone. Its descriptor is not polled again.
  if (n == 0 || errno == EIO) hungUp_ = true;
  return 0;
}

std::uint32_t ComDevicePosix::PollLines() {
  if (lineSource_ == LineSource::Counters) {
    LineCounts now;
    if (!ReadCounts(now)) return 0;
    std::uint32_t events = CountEvents(eventCounts_, now);
    eventCounts_ = now;
    return events;
  }
  int bits = 0;
  if (lineSource_ != LineSource::ModemBits || ::ioctl(fd_, TIOCMGET, &bits) != 0) return 0;
  std::uint32_t events = ModemBitEvents(modemBits_, bits);
  modemBits_ = bits;
  return events;
}

std::uint32_t ComDevicePosix::CheckOutputDrained() {
  if (!txPending_) return 0;
  int queued = 0;
  if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) queued = 0;
  if (queued != 0) return 0;
  txPending_ = false;
  return EV_TXEMPTY;
}

}  // namespace kestrova
