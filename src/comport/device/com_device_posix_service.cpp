// ComDevicePosix: the I/O loop's side. Input is taken from the kernel as it comes, pending
// transfers move on, comm events go to the sink, and the loop is told what to wait for next.
#include "comport/device/com_device_posix.h"

#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace kestrova {
namespace {

constexpr std::uint32_t kLineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_BREAK | EV_ERR;

}  // namespace

int ComDevicePosix::SetCommMask(std::uint32_t mask, CommEventSink* sink) {
  if (fd_ < 0) return EBADF;
  std::lock_guard lock(mutex_);
  mask_ = sink != nullptr ? mask : 0;
  sink_ = mask_ != 0 ? sink : nullptr;
  if ((mask_ & EV_TXEMPTY) == 0) txPending_ = false;
  nextLinePoll_ = Clock::now();
  SettleLocked(0, nextLinePoll_);
  return 0;
}

void ComDevicePosix::Service(std::uint32_t ready) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return;
  std::uint32_t happened = 0;
  if (ready & (EPOLLIN | EPOLLHUP | EPOLLERR)) happened |= PullInputLocked();
  // Hangup only after taking what was still readable.
  if (ready & (EPOLLHUP | EPOLLERR)) HangUpLocked();
  const auto now = Clock::now();
  if ((mask_ & kLineEvents) && now >= nextLinePoll_) {
    happened |= PollLinesLocked();
    nextLinePoll_ = now + std::chrono::milliseconds(kLinePollMs);
  }
  SettleLocked(happened, now);
}

void ComDevicePosix::SettleLocked(std::uint32_t happened, Clock::time_point now) {
  const std::vector<DeviceTransfer*> all = pending_;
  for (DeviceTransfer* t : all) ProgressLocked(*t, now);
  happened |= std::exchange(pulledEvents_, 0);
  if (mask_ & EV_TXEMPTY) happened |= CheckOutputDrainedLocked();
  if (sink_ != nullptr && (happened & mask_) != 0) sink_->CommEventsOccurred(happened & mask_);

  IoInterest interest;
  if (!hungUp_ && input_.Space() > 0) interest.events |= EPOLLIN;
  for (const DeviceTransfer* t : pending_) {
    if (t->IsWrite && t->Done < t->Count) interest.events |= EPOLLOUT;
    interest.deadline = std::min(interest.deadline, DeadlineLocked(*t, now));
  }
  if (txPending_) interest.deadline = std::min(interest.deadline, now + std::chrono::milliseconds(kDrainPollMs));
  if ((mask_ & kLineEvents) && lineSource_ != LineSource::None) {
    interest.deadline = std::min(interest.deadline, nextLinePoll_);
  }
  loop_->Arm(loopId_, interest);
}

std::uint32_t ComDevicePosix::PullInputLocked() {
  std::uint32_t events = 0;
  std::uint8_t buffer[4096];
  while (!hungUp_ && input_.Space() > 0) {
    const std::uint32_t room = std::min<std::uint32_t>(input_.Space(), sizeof buffer);
    ssize_t n = ::read(fd_, buffer, room);
    if (n > 0) {
      events |= input_.Append(buffer, static_cast<std::uint32_t>(n), state_.EvtChar);
      if (static_cast<std::uint32_t>(n) < room) break;
    } else if (n == 0 || errno == EIO) {
      HangUpLocked();  // read() == 0 with VMIN 1 only happens on a device that has gone
    } else if (errno != EINTR) {
      break;  // EAGAIN: nothing more for now
    }
  }
  return events;
}

void ComDevicePosix::HangUpLocked() {
  if (hungUp_) return;
  hungUp_ = true;
  // A descriptor that has gone reports hangup for ever: the loop stops watching it.
  loop_->Detach(loopId_);
}

std::uint32_t ComDevicePosix::PollLinesLocked() {
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

std::uint32_t ComDevicePosix::CheckOutputDrainedLocked() {
  if (!txPending_) return 0;
  if (!outputEmpty_) {
    if (!hungUp_ && OutputQueued() != 0) return 0;
    outputEmpty_ = true;
  }
  txPending_ = false;
  return EV_TXEMPTY;
}

}  // namespace kestrova
