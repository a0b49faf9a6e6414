// TCustomComPort: the processing of device events, run as the event thread delivers them.
#include "comport/custom_com_port.h"

#include "comport/notification_window.h"
#include "comport/port_records.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kestrova {

namespace {

// The ports whose processors run on this thread, innermost last.
thread_local std::vector<const TCustomComPort*> processing;

}  // namespace

TComEvents TCustomComPort::EventsWithReceivers(TComEvents events) const {
  if (!NotifiesHandlersOnly()) return events;
  const bool observed = hasObservers_;
  const std::pair<TComEvent, bool> heard[] = {
      {TComEvent::evTxEmpty, OnTxEmpty || observed},
      {TComEvent::evBreak, static_cast<bool>(OnBreak)},
      {TComEvent::evRing, OnRing || observed},
      {TComEvent::evRxFlag, static_cast<bool>(OnRxFlag)},
      {TComEvent::evRx80Full, static_cast<bool>(OnRx80Full)},
  };
  for (auto [event, receiver] : heard) {
    if (!receiver) events.Exclude(event);
  }
  return events;
}

void TCustomComPort::RunEventHandlers(TComEvents events) {
  for (TComEvent event : kEventDeliveryOrder) {
    if (!connected_) return;
    if (events.Contains(event)) ProcessEvent(event);
  }
}

bool TCustomComPort::ProcessingOnThisThread() const {
  return std::find(processing.begin(), processing.end(), this) != processing.end();
}

std::intptr_t TCustomComPort::NotificationWindowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
  // A hidden object has nothing to do with any other message.
  if (message != WM_PORTEVENT) return 0;
  for (TComEvent event : kEventDeliveryOrder) {
    if (EventMaskBit(event) == wParam) {
      ProcessEvent(event);
      break;
    }
  }
  return 0;
}

void TCustomComPort::ProcessEvent(TComEvent event) {
  processing.push_back(this);
  struct Leave {
    ~Leave() { processing.pop_back(); }
  } leave;
  switch (event) {
    case TComEvent::evRxChar: ProcessRxChar(); break;
    case TComEvent::evTxEmpty: ProcessTxEmpty(); break;
    case TComEvent::evRxFlag: ProcessRxFlag(); break;
    case TComEvent::evRing: ProcessRing(); break;
    case TComEvent::evBreak: ProcessBreak(); break;
    case TComEvent::evCTS: ProcessCTSChange(); break;
    case TComEvent::evDSR: ProcessDSRChange(); break;
    case TComEvent::evError: ProcessError(); break;
    case TComEvent::evRLSD: ProcessRLSDChange(); break;
    case TComEvent::evRx80Full: ProcessRx80Full(); break;
  }
}

void TCustomComPort::ProcessRxChar() {
  std::int32_t count = InQueueCount();
  if (count <= 0) return;
  SignalObservers(TObserverSignal::osRx, true);
  // The bytes are read once, by the first observer that takes data, and handed to all of them.
  std::vector<std::uint8_t> buffer;
  bool read = false;
  ForEachObserver([&](TPortObserver& observer) {
    // A slot may have closed the port: nothing more is read from it.
    if (!observer.Data || (!read && !connected_)) return;
    if (!read) {
      buffer.resize(static_cast<std::size_t>(count));
      // Observers get what was read, which is all that was waiting.
      count = ReceiveBuffer(buffer.data(), count);
      read = true;
      NotifyRxBuf(buffer.data(), count);
    }
    observer.Data(this, buffer.data(), count);
  });
  if (!read) NotifyRxChar(count);
}

void TCustomComPort::ProcessTxEmpty() {
  SignalObservers(TObserverSignal::osTx, false);
  NotifyTxEmpty();
}

void TCustomComPort::ProcessBreak() { NotifyBreak(); }

void TCustomComPort::ProcessRing() {
  ForEachObserver([this](TPortObserver& observer) {
    if (observer.Ring) observer.Ring(this);
  });
  NotifyRing();
}

void TCustomComPort::ProcessRxFlag() { NotifyRxFlag(); }

void TCustomComPort::ProcessError() { NotifyError(ReadLineErrors()); }

void TCustomComPort::ProcessRx80Full() { NotifyRx80Full(); }

}  // namespace kestrova
