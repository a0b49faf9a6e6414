// TCustomComPort: the device side of the port (opening, applying the records, modem lines).
#include "comport/custom_com_port.h"

#include "comport/com_error.h"
#include "comport/device/port_map_cache.h"
#include "comport/port_records.h"

#include <cerrno>

namespace kestrova {

void TCustomComPort::OpenDevice() {
  auto device = deviceFactory_();
  // The port map as the file is now, so an edited map applies without a restart.
  const std::string path = PortMapCache::Shared().DevicePath(port_);
  CheckDeviceResult(device->Open(path), errOpenFailed);
  device_ = std::move(device);
}

void TCustomComPort::CloseDevice() {
  if (device_ == nullptr) return;
  device_->Close();
  device_.reset();
}

void TCustomComPort::ApplyAllSettings() {
  ApplyQueueSizes();
  ApplyLineSettings();
  ApplyTimeoutSettings();
}

bool TCustomComPort::CanApply() const {
  return connected_ && settingsChangeDepth_ == 0 && !loading_ && device_ != nullptr;
}

void TCustomComPort::ApplyLineSettings() {
  if (CanApply()) CheckDeviceResult(device_->SetState(MakeDeviceControlBlock(*this)), errSetStateFailed);
}

void TCustomComPort::ApplyTimeoutSettings() {
  if (CanApply()) CheckDeviceResult(device_->SetTimeouts(MakeCommTimeouts(*timeouts_)), errSetTimeoutsFailed);
}

void TCustomComPort::ApplyQueueSizes() {
  if (CanApply()) CheckDeviceResult(device_->SetupQueues(MakeQueueSizes(*buffer_)), errSetupFailed);
}

TModemLines TCustomComPort::ModemLines() const {
  std::uint32_t status = 0;
  CheckDeviceResult(device_ != nullptr ? device_->GetModemStatus(status) : EBADF, errModemStatusFailed);
  TModemLines lines;
  if (status & kModemCtsOn) lines.Include(TModemLine::mlCTS);
  if (status & kModemDsrOn) lines.Include(TModemLine::mlDSR);
  if (status & kModemRingOn) lines.Include(TModemLine::mlRing);
  if (status & kModemRlsdOn) lines.Include(TModemLine::mlRLSD);
  return lines;
}

void TCustomComPort::SignalObservers(TObserverSignal signal, bool state) {
  if (!hasObservers_.load(std::memory_order_acquire)) return;  // the usual case, at every open and close
  ForEachObserver([&](TPortObserver& observer) {
    const std::function<void(TCustomComPort*, bool)>* slot = nullptr;
    switch (signal) {
      case TObserverSignal::osCTS: slot = &observer.CTS; break;
      case TObserverSignal::osDSR: slot = &observer.DSR; break;
      case TObserverSignal::osRLSD: slot = &observer.RLSD; break;
      case TObserverSignal::osRx: slot = &observer.Receive; break;
      case TObserverSignal::osTx: slot = &observer.Transmit; break;
      case TObserverSignal::osRing: break;
    }
    if (slot != nullptr && *slot) (*slot)(this, state);
  });
}

void TCustomComPort::ProcessLineChange(TObserverSignal signal, TModemLine line,
                                       void (TCustomComPort::*notify)(bool)) {
  SignalObservers(signal, ModemLines().Contains(line));
  if (!connected_) return;  // an observer closed the port: there are no lines to read
  (this->*notify)(ModemLines().Contains(line));
}

void TCustomComPort::ProcessCTSChange() {
  ProcessLineChange(TObserverSignal::osCTS, TModemLine::mlCTS, &TCustomComPort::NotifyCTSChange);
}

void TCustomComPort::ProcessDSRChange() {
  ProcessLineChange(TObserverSignal::osDSR, TModemLine::mlDSR, &TCustomComPort::NotifyDSRChange);
}

void TCustomComPort::ProcessRLSDChange() {
  ProcessLineChange(TObserverSignal::osRLSD, TModemLine::mlRLSD, &TCustomComPort::NotifyRLSDChange);
}

}  // namespace kestrova
