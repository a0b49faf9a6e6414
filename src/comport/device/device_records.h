// The records the port hands to the device layer: line settings, timeouts, queue sizes.
#pragma once

#include <cstdint>

namespace kestrova {

// The device control block: the line format, rate, handshaking and special characters, field
// for field as the port derives them. The flag fields hold the values of single bits (0/1), the
// two control fields values 0..3.
struct DeviceControlBlock {
  std::uint32_t DCBlength = 0;
  std::uint32_t BaudRate = 0;
  std::uint8_t fBinary = 0;
  std::uint8_t fParity = 0;
  std::uint8_t fOutxCtsFlow = 0;
  std::uint8_t fOutxDsrFlow = 0;
  std::uint8_t fDtrControl = 0;
  std::uint8_t fDsrSensitivity = 0;
  std::uint8_t fTXContinueOnXoff = 0;
  std::uint8_t fOutX = 0;
  std::uint8_t fInX = 0;
  std::uint8_t fErrorChar = 0;
  std::uint8_t fNull = 0;
  std::uint8_t fRtsControl = 0;
  std::uint8_t fAbortOnError = 0;
  std::uint16_t wReserved = 0;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 0;
  std::uint8_t Parity = 0;
  std::uint8_t StopBits = 0;
  std::uint8_t XonChar = 0;
  std::uint8_t XoffChar = 0;
  std::uint8_t ErrorChar = 0;
  std::uint8_t EofChar = 0;
  std::uint8_t EvtChar = 0;
  std::uint16_t wReserved1 = 0;

  bool operator==(const DeviceControlBlock&) const = default;
};

// Values of the control fields and the line format fields.
inline constexpr std::uint8_t kDtrControlDisable = 0, kDtrControlEnable = 1, kDtrControlHandshake = 2;
inline constexpr std::uint8_t kRtsControlDisable = 0, kRtsControlEnable = 1, kRtsControlHandshake = 2,
                              kRtsControlToggle = 3;
inline constexpr std::uint8_t kNoParity = 0, kOddParity = 1, kEvenParity = 2, kMarkParity = 3,
                              kSpaceParity = 4;
inline constexpr std::uint8_t kOneStopBit = 0, kOne5StopBits = 1, kTwoStopBits = 2;

// Read and write timeouts in ms (multipliers in ms per byte); 0xFFFFFFFF is "maximum".
struct CommTimeouts {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;

  bool operator==(const CommTimeouts&) const = default;
};

inline constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;

// Sizes of the input and output queues in bytes.
struct QueueSizes {
  std::uint32_t InputSize = 0;
  std::uint32_t OutputSize = 0;

  bool operator==(const QueueSizes&) const = default;
};

// The largest queue a device sets up. A size is taken as it is given, so a negative setting
// arrives as a huge one; a bound keeps a flooding peer from growing the input queue without end.
inline constexpr std::uint32_t kMaxQueueSize = 16u << 20;

// True when both sizes lie in 1..kMaxQueueSize; a device refuses any other sizes (EINVAL).
constexpr bool QueueSizesInRange(const QueueSizes& sizes) {
  auto inRange = [](std::uint32_t size) { return size >= 1 && size <= kMaxQueueSize; };
  return inRange(sizes.InputSize) && inRange(sizes.OutputSize);
}

// Modem status bits reported by ComDevice::GetModemStatus.
inline constexpr std::uint32_t kModemCtsOn = 0x10, kModemDsrOn = 0x20, kModemRingOn = 0x40,
                               kModemRlsdOn = 0x80;

// Comm event mask bits: what SetCommMask selects and the device reports to its sink.
inline constexpr std::uint32_t EV_RXCHAR = 0x0001, EV_RXFLAG = 0x0002, EV_TXEMPTY = 0x0004,
                               EV_CTS = 0x0008, EV_DSR = 0x0010, EV_RLSD = 0x0020, EV_BREAK = 0x0040,
                               EV_ERR = 0x0080, EV_RING = 0x0100, EV_RX80FULL = 0x0400;

// Line error flags reported by ComDevice::ClearCommError.
inline constexpr std::uint32_t CE_RXOVER = 0x0001, CE_OVERRUN = 0x0002, CE_RXPARITY = 0x0004,
                               CE_FRAME = 0x0008, CE_BREAK = 0x0010, CE_TXFULL = 0x0100, CE_IOE = 0x0400,
                               CE_MODE = 0x8000;

// ComDevice::Purge flags: abort pending writes / reads, empty the output / input queue.
inline constexpr std::uint32_t PURGE_TXABORT = 0x0001, PURGE_RXABORT = 0x0002, PURGE_TXCLEAR = 0x0004,
                               PURGE_RXCLEAR = 0x0008;

// What ClearCommError reports besides the error flags: bytes waiting in each queue.
struct CommStatus {
  std::uint32_t cbInQue = 0;
  std::uint32_t cbOutQue = 0;
};

}  // namespace kestrova
