#include "comport/custom_com_port.h"

#include "comport/com_error.h"
#include "comport/com_thread.h"
#include "comport/device/com_device_posix.h"
#include "comport/notification_window.h"
#include "comport/port_name.h"
#include "comport/port_records.h"

#include <QtGlobal>

#include <algorithm>
#include <stdexcept>
#include <system_error>

namespace kestrova {

TCustomComPort::TCustomComPort(QObject* owner)
    : QObject(owner),
      parity_(std::make_unique<TComParity>(this)),
      flowControl_(std::make_unique<TComFlowControl>(this)),
      timeouts_(std::make_unique<TComTimeouts>(this)),
      buffer_(std::make_unique<TComBuffer>(this)),
      deviceFactory_([] { return std::make_unique<ComDevicePosix>(); }),
      showException_([](const std::exception& e) { qWarning("%s", e.what()); }) {}

TCustomComPort::~TCustomComPort() { CloseBeforeDestruction(); }

void TCustomComPort::CloseBeforeDestruction() noexcept {
  // No exception may leave a destructor: when the close sequence fails, the device is still
  // released, without the remaining notifications.
  try {
    ClosePort();
  } catch (...) {
    ReleaseDevice();
  }
}

void TCustomComPort::SetConnected(bool value) {
  if (loading_) {
    connected_ = value;
  } else if (value != connected_) {
    value ? OpenPort() : ClosePort();
  }
}

void TCustomComPort::OpenPort() {
  if (connected_) return;
  // A handler that closed this port from the event thread may still be leaving its delivery.
  if (eventThread_ != nullptr && !ProcessingOnThisThread()) eventThread_->AwaitDeliveryEnd();
  NotifyBeforeOpen();
  OpenDevice();
  connected_ = true;
  try {
    ApplyAllSettings();
    if (!events_.Empty()) StartEventThread();
  } catch (...) {
    ReleaseDevice();
    throw;
  }
  NotifyAfterOpen();
  ProcessCTSChange();
  ProcessDSRChange();
  ProcessRLSDChange();
}

void TCustomComPort::StartEventThread() {
  if (syncMethod_ == TSyncMethod::smWindowSync && notifyWindow_ == nullptr) {
    notifyWindow_ = std::make_unique<NotificationWindow>(*this);
  }
  // The thread is kept from open to open; only one that a raising delivery ended is replaced.
  if (eventThread_ != nullptr && eventThread_->Ended()) eventThread_.reset();
  if (eventThread_ == nullptr) {
    try {
      eventThread_ = std::make_unique<TComThread>(*this);
    } catch (const std::system_error& e) {
      throw EComPort(errOpenFailed, e.code().value());
    }
  }
  eventThread_->StartWait(EventsToMask(events_),
                          syncMethod_ == TSyncMethod::smWindowSync ? notifyWindow_.get() : nullptr);
  eventThreadActive_ = true;
}

void TCustomComPort::ClosePort() {
  if (!connected_) return;
  try {
    NotifyBeforeClose();
    SignalObservers(TObserverSignal::osCTS, false);
    SignalObservers(TObserverSignal::osDSR, false);
    SignalObservers(TObserverSignal::osRLSD, false);
    NotifyCTSChange(false);
    NotifyDSRChange(false);
    NotifyRLSDChange(false);
    CancelTransfers();
  } catch (...) {
    // A device that has gone cannot come back: it is released whatever failed, so that the
    // next open starts afresh. A device still there stays open, as the failed step left it.
    if (device_ != nullptr && device_->Gone()) ReleaseDevice();
    throw;
  }
  // The thread is stopped and awaited before the device goes: it must never see it vanish.
  ReleaseDevice();
  NotifyAfterClose();
}

void TCustomComPort::ReleaseDevice() {
  StopEventThread();
  CloseDevice();
  connected_ = false;
}

void TCustomComPort::StopEventThread() {
  if (eventThreadActive_) eventThread_->EndWait();
  eventThreadActive_ = false;
}

TComThread* TCustomComPort::EventThread() const { return eventThreadActive_ ? eventThread_.get() : nullptr; }

QObject* TCustomComPort::NotifyWindow() const {
  return eventThreadActive_ && syncMethod_ == TSyncMethod::smWindowSync ? notifyWindow_.get() : nullptr;
}

void TCustomComPort::Loaded() {
  loading_ = false;
  if (!connected_) return;
  connected_ = false;
  try {
    OpenPort();
  } catch (const std::exception& e) {
    showException_(e);
  }
}

void TCustomComPort::EndSettingsChange() {
  if (settingsChangeDepth_ <= 0) return;
  if (--settingsChangeDepth_ == 0) ApplyAllSettings();
}

template <typename T>
void TCustomComPort::SetLineSetting(T& field, T value) {
  if (field == value) return;
  field = value;
  ApplyLineSettings();
}

void TCustomComPort::SetBaudRate(TBaudRate value) { SetLineSetting(baudRate_, value); }
void TCustomComPort::SetCustomBaudRate(std::int32_t value) { SetLineSetting(customBaudRate_, value); }
void TCustomComPort::SetStopBits(TStopBits value) { SetLineSetting(stopBits_, value); }
void TCustomComPort::SetDataBits(TDataBits value) { SetLineSetting(dataBits_, value); }
void TCustomComPort::SetDiscardNull(bool value) { SetLineSetting(discardNull_, value); }
void TCustomComPort::SetEventChar(char value) { SetLineSetting(eventChar_, value); }

void TCustomComPort::SetPort(const std::string& value) {
  std::string name = NormalizePortName(value);
  if (name == port_) return;
  port_ = name;
  if (connected_ && !loading_) {
    ClosePort();
    OpenPort();
  }
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
  if (value == syncMethod_) return;
  if (connected_ && !loading_) throw EComPort::CreateWithoutSystemError(errSyncMethodConnected);
  syncMethod_ = value;
}

void TCustomComPort::SetParity(const TComParity& value) {
  parity_->Assign(value);
  ApplyLineSettings();
}

void TCustomComPort::SetFlowControl(const TComFlowControl& value) {
  flowControl_->Assign(value);
  ApplyLineSettings();
}

void TCustomComPort::SetTimeouts(const TComTimeouts& value) {
  timeouts_->Assign(value);
  ApplyTimeoutSettings();
}

void TCustomComPort::SetBuffer(const TComBuffer& value) {
  buffer_->Assign(value);
  ApplyQueueSizes();
}

namespace {
TCustomComPort::TSettingsDialogRunner& SettingsDialogRunner() {
  static TCustomComPort::TSettingsDialogRunner runner;
  return runner;
}
}  // namespace

void TCustomComPort::SetSettingsDialogRunner(TSettingsDialogRunner runner) { SettingsDialogRunner() = std::move(runner); }

void TCustomComPort::ShowSettingsDialog() {
  const TSettingsDialogRunner& runner = SettingsDialogRunner();
  if (!runner) throw std::logic_error("No setup dialog is installed");
  runner(*this);
}

void TCustomComPort::AddObserver(TPortObserver* observer) {
  std::lock_guard lock(observersMutex_);
  if (observer == nullptr || std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) {
    throw EComPort::CreateWithoutSystemError(errObserverRegistration);
  }
  observers_.push_back(observer);
  hasObservers_ = true;
}

void TCustomComPort::RemoveObserver(TPortObserver* observer) {
  std::lock_guard lock(observersMutex_);
  auto it = std::find(observers_.begin(), observers_.end(), observer);
  if (it == observers_.end()) throw EComPort::CreateWithoutSystemError(errObserverRegistration);
  observers_.erase(it);
  hasObservers_ = !observers_.empty();
}

void TCustomComPort::ForEachObserver(const std::function<void(TPortObserver&)>& call) {
  // The walk holds the list's lock, so an observer removed by another thread is not called
  // after RemoveObserver has returned; it goes over a copy, so that a slot may add or remove
  // observers (on this thread) while it runs, and skips those removed meanwhile.
  std::lock_guard lock(observersMutex_);
  const std::vector<TPortObserver*> walk = observers_;
  for (TPortObserver* observer : walk) {
    if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) call(*observer);
  }
}

void TCustomComPort::NotifyAfterClose() { if (OnAfterClose) OnAfterClose(this); }
void TCustomComPort::NotifyAfterOpen() { if (OnAfterOpen) OnAfterOpen(this); }
void TCustomComPort::NotifyBeforeClose() { if (OnBeforeClose) OnBeforeClose(this); }
void TCustomComPort::NotifyBeforeOpen() { if (OnBeforeOpen) OnBeforeOpen(this); }
void TCustomComPort::NotifyRxChar(std::int32_t count) { if (OnRxChar) OnRxChar(this, count); }
void TCustomComPort::NotifyRxBuf(const void* buffer, std::int32_t count) { if (OnRxBuf) OnRxBuf(this, buffer, count); }
void TCustomComPort::NotifyTxEmpty() { if (OnTxEmpty) OnTxEmpty(this); }
void TCustomComPort::NotifyBreak() { if (OnBreak) OnBreak(this); }
void TCustomComPort::NotifyRing() { if (OnRing) OnRing(this); }
void TCustomComPort::NotifyRxFlag() { if (OnRxFlag) OnRxFlag(this); }
void TCustomComPort::NotifyCTSChange(bool onOff) { if (OnCTSChange) OnCTSChange(this, onOff); }
void TCustomComPort::NotifyDSRChange(bool onOff) { if (OnDSRChange) OnDSRChange(this, onOff); }
void TCustomComPort::NotifyError(TComErrors errors) { if (OnError) OnError(this, errors); }
void TCustomComPort::NotifyRLSDChange(bool onOff) { if (OnRLSDChange) OnRLSDChange(this, onOff); }
void TCustomComPort::NotifyRx80Full() { if (OnRx80Full) OnRx80Full(this); }

}  // namespace kestrova
