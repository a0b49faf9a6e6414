#include "app/headless_loop.h"

#include <QCoreApplication>
#include <QTimer>

#include "app/command_line.h"
#include "app/convert_error.h"
#include "app/quit_on_signals.h"

namespace kestrova {

HeadlessLoop::HeadlessLoop(Tick tick, int intervalMs, std::optional<long long> count, std::ostream& frames,
                           std::ostream& messages, Report report)
    : tick_(std::move(tick)),
      count_(count),
      frames_(frames),
      messages_(messages),
      report_(std::move(report)),
      timer_(new QTimer(this)) {
  timer_->setInterval(intervalMs);
  // As the window's loop: keeps the period, and at most one tick is pending.
  timer_->setTimerType(Qt::PreciseTimer);
  connect(timer_, &QTimer::timeout, this, &HeadlessLoop::OnTick);
}

HeadlessLoop::~HeadlessLoop() = default;

int HeadlessLoop::Exec() {
  QuitOnSignals quit;
  QTimer::singleShot(0, this, &HeadlessLoop::OnTick);
  timer_->start();
  const int code = QCoreApplication::exec();
  timer_->stop();
  return code;
}

void HeadlessLoop::OnTick() {
  // Nothing may unwind through Qt's timer dispatch: every exception ends here.
  try {
    const std::string text = tick_();
    frames_ << text << '\n' << std::flush;
    if (count_ && ++done_ >= *count_) {
      timer_->stop();
      QCoreApplication::exit(kExitDone);
    }
  } catch (const EConvertError& e) {
    timer_->stop();
    messages_ << "kestrova: " << e.what() << '\n' << std::flush;
    QCoreApplication::exit(kExitFailure);
  } catch (...) {
    timer_->stop();
    if (report_) report_(std::current_exception());
    QCoreApplication::exit(kExitFailure);
  }
}

}  // namespace kestrova
