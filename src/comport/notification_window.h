// NotificationWindow: the port's hidden object on its own thread that receives the event
// thread's messages under smWindowSync.
#pragma once

#include "comport/blocking_event.h"

#include <QObject>

#include <cstdint>

namespace kestrova {

class TCustomComPort;

// The message the event thread sends for each event; its WParam is the event's mask bit.
inline constexpr std::uint32_t WM_PORTEVENT = 1025;

// One message as it is sent: the sender waits until the window has handled it.
class WindowMessage final : public BlockingEvent {
 public:
  static QEvent::Type EventType();
  WindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam, BlockingCompletion& completion)
      : BlockingEvent(EventType(), completion), Message(message), WParam(wParam), LParam(lParam) {}

  const std::uint32_t Message;
  const std::uintptr_t WParam;
  const std::intptr_t LParam;
  std::intptr_t Result = 0;
};

// Created and destroyed by the port on the port's thread; hands every WindowMessage to the
// port's NotificationWindowProc and every other event to QObject.
class NotificationWindow final : public QObject {
 public:
  explicit NotificationWindow(TCustomComPort& port) : port_(port) {}
  bool event(QEvent* e) override;

 private:
  TCustomComPort& port_;
};

}  // namespace kestrova
