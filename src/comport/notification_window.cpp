#include "comport/notification_window.h"

#include "comport/blocking_event.h"
#include "comport/custom_com_port.h"

namespace kestrova {

QEvent::Type WindowMessage::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool NotificationWindow::event(QEvent* e) {
  AcquirePostedEvent();
  if (e->type() != WindowMessage::EventType()) return QObject::event(e);
  auto* message = static_cast<WindowMessage*>(e);
  message->Serve([&] { message->Result = port_.NotificationWindowProc(message->Message, message->WParam, message->LParam); });
  return true;
}

}  // namespace kestrova
