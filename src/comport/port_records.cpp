#include "comport/port_records.h"

#include "comport/custom_com_port.h"

#include <array>
#include <utility>

namespace kestrova {
namespace {

constexpr std::array<std::uint32_t, 16> kBaudRates = {
    0, 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000,
};

constexpr std::pair<TComEvent, std::uint32_t> kEventBits[] = {
    {TComEvent::evRxChar, EV_RXCHAR}, {TComEvent::evTxEmpty, EV_TXEMPTY}, {TComEvent::evRxFlag, EV_RXFLAG},
    {TComEvent::evRing, EV_RING},     {TComEvent::evBreak, EV_BREAK},     {TComEvent::evCTS, EV_CTS},
    {TComEvent::evDSR, EV_DSR},       {TComEvent::evError, EV_ERR},       {TComEvent::evRLSD, EV_RLSD},
    {TComEvent::evRx80Full, EV_RX80FULL},
};

std::uint8_t Bit(bool b) { return b ? 1 : 0; }
std::uint8_t Ordinal(auto member) { return static_cast<std::uint8_t>(member); }
std::uint32_t Unsigned(std::int32_t v) { return static_cast<std::uint32_t>(v); }

}  // namespace

std::uint32_t BaudRateValue(TBaudRate rate) { return kBaudRates[Ordinal(rate)]; }

DeviceControlBlock MakeDeviceControlBlock(const TCustomComPort& port) {
  const TComParity& parity = port.Parity();
  const TComFlowControl& flow = port.FlowControl();
  const bool replace = parity.Check() && parity.Replace();
  DeviceControlBlock dcb;
  dcb.DCBlength = 28;
  dcb.BaudRate = port.BaudRate() == TBaudRate::brCustom ? Unsigned(port.CustomBaudRate())
                                                        : BaudRateValue(port.BaudRate());
  dcb.fBinary = 1;
  dcb.fParity = Bit(parity.Check());
  dcb.fOutxCtsFlow = Bit(flow.OutCTSFlow());
  dcb.fOutxDsrFlow = Bit(flow.OutDSRFlow());
  dcb.fDtrControl = Ordinal(flow.ControlDTR());
  dcb.fDsrSensitivity = Bit(flow.DSRSensitivity());
  dcb.fTXContinueOnXoff = Bit(flow.TxContinueOnXoff());
  dcb.fOutX = Bit(flow.XonXoffOut());
  dcb.fInX = Bit(flow.XonXoffIn());
  dcb.fErrorChar = Bit(replace);
  dcb.fNull = Bit(port.DiscardNull());
  dcb.fRtsControl = Ordinal(flow.ControlRTS());
  dcb.XonLim = static_cast<std::uint16_t>(port.Buffer().InputSize() / 4);
  dcb.XoffLim = dcb.XonLim;
  dcb.ByteSize = static_cast<std::uint8_t>(Ordinal(port.DataBits()) + 5);
  dcb.Parity = Ordinal(parity.Bits());
  dcb.StopBits = Ordinal(port.StopBits());
  dcb.XonChar = static_cast<std::uint8_t>(flow.XonChar());
  dcb.XoffChar = static_cast<std::uint8_t>(flow.XoffChar());
  dcb.ErrorChar = replace ? static_cast<std::uint8_t>(parity.ReplaceChar()) : 0;
  dcb.EvtChar = static_cast<std::uint8_t>(port.EventChar());
  return dcb;
}

CommTimeouts MakeCommTimeouts(const TComTimeouts& timeouts) {
  // -1 is all 32 bits set, so the plain conversion already gives the maximum.
  return {
      .ReadIntervalTimeout = Unsigned(timeouts.ReadInterval()),
      .ReadTotalTimeoutMultiplier = Unsigned(timeouts.ReadTotalMultiplier()),
      .ReadTotalTimeoutConstant = Unsigned(timeouts.ReadTotalConstant()),
      .WriteTotalTimeoutMultiplier = Unsigned(timeouts.WriteTotalMultiplier()),
      .WriteTotalTimeoutConstant = Unsigned(timeouts.WriteTotalConstant()),
  };
}

QueueSizes MakeQueueSizes(const TComBuffer& buffer) {
  return {.InputSize = Unsigned(buffer.InputSize()), .OutputSize = Unsigned(buffer.OutputSize())};
}

std::uint32_t EventMaskBit(TComEvent event) {
  for (const auto& [member, bit] : kEventBits) {
    if (member == event) return bit;
  }
  return 0;
}

std::uint32_t EventsToMask(TComEvents events) {
  std::uint32_t mask = 0;
  for (const auto& [event, bit] : kEventBits) {
    if (events.Contains(event)) mask |= bit;
  }
  return mask;
}

TComEvents MaskToEvents(std::uint32_t mask) {
  TComEvents events;
  for (const auto& [event, bit] : kEventBits) {
    if ((mask & bit) != 0) events.Include(event);
  }
  return events;
}

}  // namespace kestrova
