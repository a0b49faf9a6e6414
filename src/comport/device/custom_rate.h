// Any baud rate, set and read through termios2 (the header keeps <asm/termbits.h> out).
#pragma once

#include <cstdint>

namespace kestrova {

// Sets both directions of an open terminal to rate baud (the driver picks the nearest divisor).
// Returns 0 or the errno of the failing ioctl.
int SetCustomRate(int fd, std::uint32_t rate);

// The rates of both directions, in baud.
struct LineRates {
  std::uint32_t input = 0;
  std::uint32_t output = 0;
  bool operator==(const LineRates&) const = default;
};

// The rates the terminal holds. Returns 0 or the errno of the failing ioctl.
int ReadRates(int fd, LineRates& rates);

}  // namespace kestrova
