#include "comport/device/device_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace kestrova {

DeviceEvent::DeviceEvent(bool signalled) {
  fd_ = ::eventfd(signalled ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd_ < 0) error_ = errno;
}

DeviceEvent::~DeviceEvent() {
  if (fd_ >= 0) ::close(fd_);
}

void DeviceEvent::Set() const {
  // The counter only ever grows by one per Set; it cannot overflow before a Reset drains it.
  if (fd_ < 0) return;
  std::uint64_t one = 1;
  ssize_t n = ::write(fd_, &one, sizeof one);
  (void)n;
}

void DeviceEvent::Reset() const {
  if (fd_ < 0) return;
  std::uint64_t count;
  ssize_t n = ::read(fd_, &count, sizeof count);
  (void)n;
}

bool DeviceEvent::IsSet() const { return Wait(0); }

bool DeviceEvent::Wait(int timeoutMs) const {
  if (fd_ < 0) return false;
  pollfd p{.fd = fd_, .events = POLLIN, .revents = 0};
  int r;
  do {
    r = ::poll(&p, 1, timeoutMs);
  } while (r < 0 && errno == EINTR);
  return r > 0;
}

}  // namespace kestrova
