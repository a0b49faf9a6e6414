#include "excreport/dialog/auto_close_counter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

namespace kestrova {
namespace {

bool IsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
      return true;
    default:
      return false;
  }
}

}  // namespace

AutoCloseCounter::AutoCloseCounter(QWidget& window, int counts, std::chrono::milliseconds tick, std::function<void()> expire)
    : window_(window), counts_(counts), expire_(std::move(expire)) {
  if (counts_ <= 0) return;
  QCoreApplication::instance()->installEventFilter(this);
  connect(&timer_, &QTimer::timeout, this, &AutoCloseCounter::Tick);
  timer_.start(tick);
}

AutoCloseCounter::~AutoCloseCounter() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool AutoCloseCounter::eventFilter(QObject* watched, QEvent* event) {
  if (IsInput(event->type())) {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    const auto* window = qobject_cast<const QWindow*>(watched);
    if ((widget != nullptr && (widget == &window_ || window_.isAncestorOf(widget))) ||
        (window != nullptr && window == window_.windowHandle())) {
      Reset();
    }
  }
  return QObject::eventFilter(watched, event);
}

void AutoCloseCounter::Tick() {
  if (++elapsed_ < counts_) return;
  timer_.stop();
  if (expire_) expire_();
}

}  // namespace kestrova
