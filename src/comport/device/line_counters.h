// Line events and error flags from two readings of a serial driver's counters or modem bits.
#pragma once

#include <cstdint>

namespace kestrova {

// The interrupt counters a serial driver keeps (TIOCGICOUNT), reduced to what the port uses.
struct LineCounts {
  std::uint32_t cts = 0, dsr = 0, rng = 0, dcd = 0;
  std::uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;

  bool operator==(const LineCounts&) const = default;
};

// The EV_* bits of the counters that moved from before to now: a line change for each modem
// line, EV_BREAK for a break, EV_ERR for a frame, overrun or parity error.
std::uint32_t CountEvents(const LineCounts& before, const LineCounts& now);
// The CE_* flags of the error counters that moved.
std::uint32_t CountErrorFlags(const LineCounts& before, const LineCounts& now);
// The EV_* bits of the modem lines (TIOCM_* bits) that changed.
std::uint32_t ModemBitEvents(int before, int now);

}  // namespace kestrova
