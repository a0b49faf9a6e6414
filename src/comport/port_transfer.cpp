// TCustomComPort: data transfer through the device, and the device's status.
#include "comport/custom_com_port.h"

#include "comport/com_error.h"

#include <cerrno>

namespace kestrova {
namespace {

// What CE_* flag gives which error; CE_RXPARITY counts only while the port checks parity.
constexpr std::pair<std::uint32_t, TComError> kErrorFlags[] = {
    {CE_FRAME, TComError::ceFrame},   {CE_RXPARITY, TComError::ceRxParity}, {CE_OVERRUN, TComError::ceOverrun},
    {CE_RXOVER, TComError::ceRxOver}, {CE_TXFULL, TComError::ceTxFull},     {CE_BREAK, TComError::ceBreak},
    {CE_IOE, TComError::ceIO},        {CE_MODE, TComError::ceMode},
};

}  // namespace

void TCustomComPort::NewTransfer(TPortTransfer*& transfer) { transfer = new TPortTransfer; }

void TCustomComPort::DisposeTransfer(TPortTransfer*& transfer) {
  delete transfer;
  transfer = nullptr;
}

template <typename Start>
std::int32_t TCustomComPort::Transfer(Start start) {
  TPortTransfer* transfer = nullptr;
  NewTransfer(transfer);
  try {
    start(transfer);
    std::int32_t count = AwaitTransfer(transfer);
    DisposeTransfer(transfer);
    return count;
  } catch (...) {
    DisposeTransfer(transfer);
    throw;
  }
}

std::int32_t TCustomComPort::SendTextAsync(const std::string& text, TPortTransfer* transfer) {
  if (transfer == nullptr) throw EComPort(errWriteFailed, EINVAL);
  transfer->Kind = TTransferKind::trWrite;
  std::uint32_t done = 0;
  int err = device_ != nullptr
                ? device_->StartWrite(transfer->Overlapped, text.data(), static_cast<std::uint32_t>(text.size()), done)
                : EBADF;
  if (err != kIoPending) CheckDeviceResult(err, errWriteFailed);
  SignalObservers(TObserverSignal::osTx, true);
  return static_cast<std::int32_t>(done);
}

std::int32_t TCustomComPort::SendText(const std::string& text) {
  return Transfer([&](TPortTransfer* transfer) { SendTextAsync(text, transfer); });
}

std::int32_t TCustomComPort::ReceiveBufferAsync(void* buffer, std::int32_t count, TPortTransfer* transfer) {
  if (transfer == nullptr || count < 0) throw EComPort(errReadFailed, EINVAL);
  transfer->Kind = TTransferKind::trRead;
  std::uint32_t done = 0;
  int err = device_ != nullptr
                ? device_->StartRead(transfer->Overlapped, buffer, static_cast<std::uint32_t>(count), done)
                : EBADF;
  if (err != kIoPending) CheckDeviceResult(err, errReadFailed);
  return static_cast<std::int32_t>(done);
}

std::int32_t TCustomComPort::ReceiveBuffer(void* buffer, std::int32_t count) {
  return Transfer([&](TPortTransfer* transfer) { ReceiveBufferAsync(buffer, count, transfer); });
}

std::int32_t TCustomComPort::AwaitTransfer(TPortTransfer* transfer) {
  if (transfer == nullptr) throw EComPort::CreateWithoutSystemError(errInvalidTransfer);
  std::uint32_t count = 0;
  int err = device_ != nullptr ? device_->AwaitTransfer(transfer->Overlapped, count) : EBADF;
  const bool read = transfer->Kind == TTransferKind::trRead;
  if (read && InQueueCount() == 0) SignalObservers(TObserverSignal::osRx, false);
  CheckDeviceResult(err, read ? errReadFailed : errWriteFailed);
  return static_cast<std::int32_t>(count);
}

void TCustomComPort::CancelTransfers() {
  CheckDeviceResult(device_ != nullptr ? device_->Purge(PURGE_TXABORT | PURGE_RXABORT) : EBADF, errPurgeFailed);
}

std::int32_t TCustomComPort::InQueueCount() {
  std::uint32_t errors = 0;
  CommStatus status;
  CheckDeviceResult(device_ != nullptr ? device_->ClearCommError(errors, status) : EBADF, errClearErrorFailed);
  return static_cast<std::int32_t>(status.cbInQue);
}

TComErrors TCustomComPort::ReadLineErrors() {
  std::uint32_t flags = 0;
  CommStatus status;
  CheckDeviceResult(device_ != nullptr ? device_->ClearCommError(flags, status) : EBADF, errClearErrorFailed);
  TComErrors errors;
  for (const auto& [flag, error] : kErrorFlags) {
    if ((flags & flag) == 0) continue;
    if (error == TComError::ceRxParity && !parity_->Check()) continue;
    errors.Include(error);
  }
  return errors;
}

}  // namespace kestrova
