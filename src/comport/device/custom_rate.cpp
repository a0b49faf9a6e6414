// This file isolates <asm/termbits.h>: its termios2 and the BOTHER rate flag are the only way to
// set a rate that has no B constant, and its struct termios clashes with the one of <termios.h>,
// so nothing else may be included beside it.
#include "comport/device/custom_rate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace kestrova {

int SetCustomRate(int fd, std::uint32_t rate) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  if (ioctl(fd, TCSETS2, &t) != 0) return errno;
  return 0;
}

int ReadRates(int fd, LineRates& rates) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  rates = {.input = t.c_ispeed, .output = t.c_ospeed};
  return 0;
}

}  // namespace kestrova
