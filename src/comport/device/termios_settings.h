// The device control block realised on a termios value: small pure edits, no system calls.
#pragma once

#include "comport/device/device_records.h"

#include <termios.h>

#include <cstdint>
#include <optional>

namespace kestrova {

// Raw byte transfer: no line editing, echo, signals, translations or output processing;
// the receiver on and modem status ignored for reads; a read waits for at least one byte.
void MakeRaw(termios& t);

// Each returns 0, or EINVAL for a value the device cannot take (t then is unchanged).
int SetDataBits(termios& t, std::uint8_t byteSize);
int SetParity(termios& t, std::uint8_t parity, bool check);
// The UART sends CSTOPB as 1.5 stop bits with 5 data bits and as 2 otherwise, so 1.5 stop bits
// need 5 data bits and 2 stop bits need 6 to 8.
int SetStopBits(termios& t, std::uint8_t stopBits, std::uint8_t byteSize);

// Hardware handshake (CRTSCTS) from CTS output flow or RTS handshake; Xon/Xoff in each
// direction with its characters. DSR flow, DTR handshake and TxContinueOnXoff have no termios
// counterpart on Linux and are left out.
void SetFlowControl(termios& t, const DeviceControlBlock& dcb);

// The termios speed constant of a rate, or none when the rate needs a custom divisor.
std::optional<speed_t> StandardSpeed(std::uint32_t rate);

// The whole block: raw mode, then format, parity, stop bits, flow control and, for a standard
// rate, the speed of both directions (the input speed follows the output speed, even after a
// custom rate had set it apart). A custom rate leaves the speed alone for SetCustomRate. A rate
// of 0 is refused (EINVAL): on a terminal it would mean "hang up". Returns 0 or EINVAL.
int ApplyDeviceControlBlock(termios& t, const DeviceControlBlock& dcb);

// Whether two values set a device alike: flags, line discipline, characters and speeds.
bool SameSettings(const termios& a, const termios& b);

// Which modem output lines (TIOCM_DTR, TIOCM_RTS) to raise and which to drop. A line under
// handshake is left to the driver, and so is RTS under toggle (the driver's RS-485 mode).
struct ModemControl {
  int set = 0;
  int clear = 0;
  bool operator==(const ModemControl&) const = default;
};
ModemControl ModemControlLines(const DeviceControlBlock& dcb);

}  // namespace kestrova
