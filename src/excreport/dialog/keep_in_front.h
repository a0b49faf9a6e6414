// Brings a dialog back to the front when another window of the program takes the foreground.
#pragma once

#include <QObject>
#include <QTimer>
#include <QWidget>

namespace kestrova {

// Looks every `period` at the program's active window: while `dialog` is visible and not kept
// on top by the window system, another top-level window of the program being active (one that
// the dialog does not own) makes the dialog raise and activate itself. GUI thread only; the
// dialog must outlive this object.
class KeepInFront final : public QObject {
  Q_OBJECT

 public:
  explicit KeepInFront(QWidget& dialog, int periodMs = 250);

 private:
  void Check();

  QWidget& dialog_;
  QTimer timer_;
};

// Whether the window system keeps `widget`'s window above others (Qt::WindowStaysOnTopHint on its
// native window, which may differ from the widget's flags after a change while shown).
bool StaysOnTop(const QWidget& widget);

// Drops or sets the keep-on-top state of a shown window without hiding it, which changing the
// widget's flags would do (and so end a modal dialog's loop).
void SetStaysOnTop(QWidget& widget, bool onTop);

}  // namespace kestrova
