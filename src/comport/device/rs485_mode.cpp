#include "comport/device/rs485_mode.h"

namespace kestrova {
namespace {

constexpr __u32 kToggleFlags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;

}  // namespace

std::optional<serial_rs485> Rs485ModeFor(const serial_rs485& current, const DeviceControlBlock& dcb) {
  serial_rs485 wanted = current;
  if (dcb.fRtsControl == kRtsControlToggle) {
    wanted.flags = (wanted.flags | kToggleFlags) & ~static_cast<__u32>(SER_RS485_RTS_AFTER_SEND);
  } else {
    wanted.flags &= ~static_cast<__u32>(SER_RS485_ENABLED);
  }
  if (wanted.flags == current.flags) return std::nullopt;
  return wanted;
}

bool TogglesRts(const serial_rs485& mode) {
  return (mode.flags & (kToggleFlags | SER_RS485_RTS_AFTER_SEND)) == kToggleFlags;
}

}  // namespace kestrova
