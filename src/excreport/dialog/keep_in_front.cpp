#include "excreport/dialog/keep_in_front.h"

#include <QApplication>
#include <QWindow>

namespace kestrova {

bool StaysOnTop(const QWidget& widget) {
  const QWindow* window = widget.windowHandle();
  const Qt::WindowFlags flags = window != nullptr ? window->flags() : widget.windowFlags();
  return flags.testFlag(Qt::WindowStaysOnTopHint);
}

void SetStaysOnTop(QWidget& widget, bool onTop) {
  if (QWindow* window = widget.windowHandle()) {
    window->setFlag(Qt::WindowStaysOnTopHint, onTop);
  } else {
    widget.setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  }
}

KeepInFront::KeepInFront(QWidget& dialog, int periodMs) : dialog_(dialog) {
  connect(&timer_, &QTimer::timeout, this, &KeepInFront::Check);
  timer_.start(periodMs);
}

void KeepInFront::Check() {
  if (!dialog_.isVisible() || StaysOnTop(dialog_)) return;
  const QWidget* active = QApplication::activeWindow();
  if (active == nullptr || active == &dialog_) return;
  for (const QWidget* owner = active->parentWidget(); owner != nullptr; owner = owner->parentWidget()) {
    if (owner == &dialog_) return;
  }
  dialog_.raise();
  dialog_.activateWindow();
}

}  // namespace kestrova
