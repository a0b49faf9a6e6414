// Closes a dialog by itself after a number of quiet ticks; any input to it starts the count again.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>

namespace kestrova {

// Watches every event of the application for key presses, mouse clicks (in the window or on its
// frame) and wheel turns aimed at `window` or one of its children; each resets the count, as
// does Reset() for commands and notifications that come without input. After `counts` ticks of
// `tick` without any, `expire` runs once. A count of 0 or less never expires. GUI thread only;
// the window must outlive the counter.
class AutoCloseCounter final : public QObject {
  Q_OBJECT

 public:
  AutoCloseCounter(QWidget& window, int counts, std::chrono::milliseconds tick, std::function<void()> expire);
  ~AutoCloseCounter() override;

  void Reset() { elapsed_ = 0; }
  int Elapsed() const { return elapsed_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Tick();

  QWidget& window_;
  int counts_;
  int elapsed_ = 0;
  std::function<void()> expire_;
  QTimer timer_;
};

}  // namespace kestrova
