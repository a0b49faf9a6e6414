// Any baud rate, set and read through termios2 (the header keeps <asm/termbits.h> out).
#pragma once

#include <cstdint>

namespace kestrova {

// Sets both directions of an open terminal to rate baud (the driver picks the nearest divisor).
// Returns 0 or the errno of the failing ioctl.
int SetCustomRate(int fd, std::uint32_t rate);

// The output rate the terminal holds, in baud. Returns 0 or the errno of the failing ioctl.
int ReadRate(int fd, std::uint32_t& rate);

}  // namespace kestrova
