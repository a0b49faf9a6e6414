#include "comport/device/line_counters.h"

#include "comport/device/device_records.h"

#include <sys/ioctl.h>

namespace kestrova {

std::uint32_t CountEvents(const LineCounts& before, const LineCounts& now) {
  std::uint32_t events = 0;
  if (now.cts != before.cts) events |= EV_CTS;
  if (now.dsr != before.dsr) events |= EV_DSR;
  if (now.dcd != before.dcd) events |= EV_RLSD;
  if (now.rng != before.rng) events |= EV_RING;
  if (now.brk != before.brk) events |= EV_BREAK;
  if (now.frame != before.frame || now.overrun != before.overrun || now.parity != before.parity ||
      now.bufOverrun != before.bufOverrun) {
    events |= EV_ERR;
  }
  return events;
}

std::uint32_t CountErrorFlags(const LineCounts& before, const LineCounts& now) {
  std::uint32_t flags = 0;
  if (now.frame != before.frame) flags |= CE_FRAME;
  if (now.overrun != before.overrun) flags |= CE_OVERRUN;
  if (now.parity != before.parity) flags |= CE_RXPARITY;
  if (now.brk != before.brk) flags |= CE_BREAK;
  if (now.bufOverrun != before.bufOverrun) flags |= CE_RXOVER;
  return flags;
}

std::uint32_t ModemBitEvents(int before, int now) {
  const int changed = before ^ now;
  std::uint32_t events = 0;
  if (changed & TIOCM_CTS) events |= EV_CTS;
  if (changed & TIOCM_DSR) events |= EV_DSR;
  if (changed & TIOCM_CAR) events |= EV_RLSD;
  if (changed & TIOCM_RNG) events |= EV_RING;
  return events;
}

}  // namespace kestrova
