#include "comport/device/com_device_posix.h"

#include "comport/device/custom_rate.h"
#include "comport/device/termios_settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace kestrova {
namespace {

// Modem ioctls answer ENOTTY (older kernels EINVAL) on devices without modem lines, such as
// pseudo-terminals: those devices simply have no lines to set or read.
bool ModemLinesUnsupported(int err) { return err == ENOTTY || err == EINVAL; }

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
  if (err != 0) {
    ::close(fd);
    return err;
  }
  fd_ = fd;
  return 0;
}

void ComDevicePosix::Close() {
  if (fd_ < 0) return;
  // A pseudo-terminal keeps TIOCEXCL after its last close; drop it so the next open works.
  ::ioctl(fd_, TIOCNXCL);
  // Output still queued now cannot drain (a completed write has left the queue); without the
  // flush the kernel may hold close() for up to 30 s.
  ::tcflush(fd_, TCOFLUSH);
  ::close(fd_);
  fd_ = -1;
}

int ComDevicePosix::SetupQueues(const QueueSizes& sizes) {
  if (fd_ < 0) return EBADF;
  queues_ = sizes;
  return 0;
}

int ComDevicePosix::SetState(const DeviceControlBlock& dcb) {
  termios t{};
  if (int err = ReadTermios(t)) return err;
  if (int err = ApplyDeviceControlBlock(t, dcb)) return err;
  if (int err = WriteTermios(t)) return err;
  if (!StandardSpeed(dcb.BaudRate)) {
    if (int err = SetCustomRate(fd_, dcb.BaudRate)) return err;
  }
  if (int err = SetModemControl(dcb)) return err;
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
  int lines = 0;
  if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
    int err = errno;
    return ModemLinesUnsupported(err) ? 0 : err;
  }
  if (lines & TIOCM_CTS) status |= kModemCtsOn;
  if (lines & TIOCM_DSR) status |= kModemDsrOn;
  if (lines & TIOCM_RNG) status |= kModemRingOn;
  if (lines & TIOCM_CAR) status |= kModemRlsdOn;
  return 0;
}

int ComDevicePosix::ReadTermios(termios& t) const {
  return ::tcgetattr(fd_, &t) == 0 ? 0 : errno;
}

int ComDevicePosix::WriteTermios(const termios& t) const {
  return ::tcsetattr(fd_, TCSANOW, &t) == 0 ? 0 : errno;
}

int ComDevicePosix::SetModemControl(const DeviceControlBlock& dcb) const {
  ModemControl lines = ModemControlLines(dcb);
  for (auto [request, bits] : {std::pair{TIOCMBIS, lines.set}, std::pair{TIOCMBIC, lines.clear}}) {
    if (bits == 0 || ::ioctl(fd_, request, &bits) == 0) continue;
    int err = errno;
    if (!ModemLinesUnsupported(err)) return err;
  }
  return 0;
}

}  // namespace kestrova
