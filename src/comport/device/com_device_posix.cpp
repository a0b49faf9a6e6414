#include "comport/device/com_device_posix.h"

#include "comport/device/custom_rate.h"
#include "comport/device/rs485_mode.h"
#include "comport/device/termios_settings.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace kestrova {
namespace {

// Modem and RS-485 ioctls answer ENOTTY (older kernels EINVAL) on devices without modem lines
// or RS-485 mode, such as pseudo-terminals: those devices simply do not have them.
bool IoctlUnsupported(int err) { return err == ENOTTY || err == EINVAL; }

// The slave side of a pseudo-terminal, as the kernel names it.
bool PseudoTerminalPath(const std::string& path) {
  constexpr std::string_view kFolder = "/dev/pts/";
  return path.size() > kFolder.size() && path.starts_with(kFolder) &&
         path.find_first_not_of("0123456789", kFolder.size()) == std::string::npos;
}

}  // namespace

ComDevicePosix::~ComDevicePosix() { Close(); }

int ComDevicePosix::Open(const std::string& path) {
  if (fd_ >= 0) return EBUSY;
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = 0;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0 || ::tcflush(fd, TCIFLUSH) != 0) {
    err = errno;
  }
  // Everything the open device needs besides its descriptor is had here, or the open fails.
  IoLoop* loop = err == 0 ? IoLoop::Get(err) : nullptr;
  std::lock_guard lock(mutex_);
  // Input is taken in from the start (the settle below asks for the same).
  if (loop != nullptr) err = loop->Add(fd, *this, EPOLLIN, loopId_);
  if (err != 0) {
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    return err;
  }
  fd_ = fd;
  loop_ = loop;
  input_.Clear();
  hungUp_ = false;
  mask_ = 0;
  sink_ = nullptr;
  txPending_ = false;
  outputEmpty_ = false;
  pseudoTerminal_ = PseudoTerminalPath(path);
  FindLineSource();
  SettleLocked(0, Clock::now());
  return 0;
}

void ComDevicePosix::Close() {
  if (fd_ < 0) return;
  // From here on the loop leaves the device alone.
  loop_->Remove(loopId_);
  bool outputEmpty;
  {
    std::lock_guard lock(mutex_);
    EndAllLocked(PURGE_TXABORT | PURGE_RXABORT, ECANCELED);
    sink_ = nullptr;
    outputEmpty = outputEmpty_;
  }
  // A pseudo-terminal keeps TIOCEXCL after its last close; drop it so the next open works.
  ::ioctl(fd_, TIOCNXCL);
  // Output still queued now cannot drain (a completed write has left the queue); without the
  // flush the kernel may hold close() for up to 30 s.
  if (!outputEmpty && OutputQueued() > 0) ::tcflush(fd_, TCOFLUSH);
  ::close(fd_);
  std::lock_guard lock(mutex_);
  fd_ = -1;
}

int ComDevicePosix::SetupQueues(const QueueSizes& sizes) {
  if (fd_ < 0) return EBADF;
  if (!QueueSizesInRange(sizes)) return EINVAL;
  queues_ = sizes;
  std::lock_guard lock(mutex_);
  input_.SetCapacity(sizes.InputSize);
  SettleLocked(0, Clock::now());
  return 0;
}

int ComDevicePosix::SetState(const DeviceControlBlock& dcb) {
  termios current{};
  if (int err = ReadTermios(current)) return err;
  termios t = current;
  if (int err = ApplyDeviceControlBlock(t, dcb)) return err;
  // Before the line settings, so that a driver refusing RTS toggle leaves the device as it was.
  if (int err = SetRs485Mode(dcb)) return err;
  // The driver keeps a device's settings from one open to the next, so a port opened again
  // usually finds them in place; writing them anyway costs three calls and wakes everything
  // that polls the device.
  if (!SameSettings(t, current)) {
    if (int err = WriteTermios(t)) return err;
  }
  if (!StandardSpeed(dcb.BaudRate)) {
    if (int err = SetCustomRate(fd_, dcb.BaudRate)) return err;
  }
  if (int err = SetModemControl(dcb)) return err;
  std::lock_guard lock(mutex_);  // the comm wait reads the event character
  state_ = dcb;
  return 0;
}

int ComDevicePosix::SetTimeouts(const CommTimeouts& timeouts) {
  if (fd_ < 0) return EBADF;
  timeouts_ = timeouts;
  return 0;
}

int ComDevicePosix::GetModemStatus(std::uint32_t& status) {
  status = 0;
  if (fd_ < 0) return EBADF;
  if (!hasModemLines_) return 0;
  int lines = 0;
  if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
    int err = errno;
    return IoctlUnsupported(err) ? 0 : err;
  }
  if (lines & TIOCM_CTS) status |= kModemCtsOn;
  if (lines & TIOCM_DSR) status |= kModemDsrOn;
  if (lines & TIOCM_RNG) status |= kModemRingOn;
  if (lines & TIOCM_CAR) status |= kModemRlsdOn;
  return 0;
}

void ComDevicePosix::FindLineSource() {
  // Asked once per open: a device without modem lines then costs no failing ioctl per reading.
  // Such a device (a pseudo-terminal, known by its path without asking) has no line counters
  // either: every driver that counts line changes and errors has modem lines.
  hasModemLines_ = !pseudoTerminal_ && (::ioctl(fd_, TIOCMGET, &modemBits_) == 0 || !IoctlUnsupported(errno));
  if (hasModemLines_ && ReadCounts(eventCounts_)) {
    errorCounts_ = eventCounts_;
    lineSource_ = LineSource::Counters;
  } else {
    lineSource_ = hasModemLines_ ? LineSource::ModemBits : LineSource::None;
  }
}

bool ComDevicePosix::Gone() {
  if (fd_ < 0) return false;
  std::lock_guard lock(mutex_);
  if (!hungUp_) {
    // The loop may not have seen the hangup yet.
    pollfd p{.fd = fd_, .events = 0, .revents = 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) HangUpLocked();
  }
  return hungUp_;
}

bool ComDevicePosix::ReadCounts(LineCounts& counts) const {
  serial_icounter_struct c{};
  if (::ioctl(fd_, TIOCGICOUNT, &c) != 0) return false;
  auto u = [](int v) { return static_cast<std::uint32_t>(v); };
  counts = {.cts = u(c.cts), .dsr = u(c.dsr), .rng = u(c.rng), .dcd = u(c.dcd), .frame = u(c.frame),
            .overrun = u(c.overrun), .parity = u(c.parity), .brk = u(c.brk), .bufOverrun = u(c.buf_overrun)};
  return true;
}

int ComDevicePosix::ClearCommError(std::uint32_t& errors, CommStatus& status) {
  errors = 0;
  status = {};
  if (fd_ < 0) return EBADF;
  std::lock_guard lock(mutex_);
  LineCounts now;
  if (lineSource_ == LineSource::Counters && ReadCounts(now)) {
    errors = CountErrorFlags(errorCounts_, now);
    errorCounts_ = now;
  }
  int queued = 0;
  if (!hungUp_ && ::ioctl(fd_, FIONREAD, &queued) != 0) {
    // A device that has gone answers EIO: it holds nothing more, and says so as an I/O error.
    if (errno != EIO) return errno;
    hungUp_ = true;
  }
  if (hungUp_) errors |= CE_IOE;
  // What the kernel still holds is counted too: the loop may not have taken it yet.
  status.cbInQue = input_.Size() + static_cast<std::uint32_t>(hungUp_ ? 0 : queued);
  if (!hungUp_) status.cbOutQue = OutputQueued();
  return 0;
}

int ComDevicePosix::ReadTermios(termios& t) const {
  return ::tcgetattr(fd_, &t) == 0 ? 0 : errno;
}

int ComDevicePosix::WriteTermios(const termios& t) const {
  return ::tcsetattr(fd_, TCSANOW, &t) == 0 ? 0 : errno;
}

int ComDevicePosix::SetRs485Mode(const DeviceControlBlock& dcb) const {
  const bool toggle = dcb.fRtsControl == kRtsControlToggle;
  // RS-485 mode drives RTS: a device without modem lines has no such mode to ask about.
  if (!hasModemLines_) return toggle ? ENOTTY : 0;
  serial_rs485 current{};
  if (::ioctl(fd_, TIOCGRS485, &current) != 0) {
    // A driver without RS-485 mode cannot toggle RTS, and has no such mode to switch off.
    int err = errno;
    return toggle || !IoctlUnsupported(err) ? err : 0;
  }
  std::optional<serial_rs485> wanted = Rs485ModeFor(current, dcb);
  if (!wanted) return 0;
  if (::ioctl(fd_, TIOCSRS485, &*wanted) != 0) return errno;
  // The driver answers with the mode it took. One that cannot raise RTS only while sending
  // (it dropped a flag or turned the levels round) gets its previous mode back.
  if (toggle && !TogglesRts(*wanted)) {
    ::ioctl(fd_, TIOCSRS485, &current);
    return EINVAL;
  }
  return 0;
}

int ComDevicePosix::SetModemControl(const DeviceControlBlock& dcb) const {
  if (!hasModemLines_) return 0;
  ModemControl lines = ModemControlLines(dcb);
  for (auto [request, bits] : {std::pair{TIOCMBIS, lines.set}, std::pair{TIOCMBIC, lines.clear}}) {
    if (bits == 0 || ::ioctl(fd_, request, &bits) == 0) continue;
    int err = errno;
    if (!IoctlUnsupported(err)) return err;
  }
  return 0;
}

}  // namespace kestrova
