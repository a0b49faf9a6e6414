// The transmit loop without a window: ticks on a timer, each frame echoed on stdout.
#pragma once

#include <QObject>
#include <exception>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

class QTimer;

namespace kestrova {

// Runs on the thread of the application object (a QCoreApplication), in its event loop.
//
// `tick` is one transmit tick: it builds and formats the reading, sends it and returns the
// text it formed (without the carriage return); port failures stay inside it. The loop
// echoes each text as a line on `frames`. It ends the event loop with kExitDone after `count`
// ticks or on SIGINT/SIGTERM; with kExitFailure when a tick raises EConvertError (its text on
// `messages`) or anything else (handed to `report` first, as the central handler would).
class HeadlessLoop final : public QObject {
  Q_OBJECT

 public:
  using Tick = std::function<std::string()>;
  using Report = std::function<void(const std::exception_ptr&)>;

  HeadlessLoop(Tick tick, int intervalMs, std::optional<long long> count, std::ostream& frames,
               std::ostream& messages, Report report);
  ~HeadlessLoop() override;

  // Runs the event loop until the end; returns the exit code. The first tick comes at once.
  int Exec();

 private:
  void OnTick();

  Tick tick_;
  std::optional<long long> count_;
  std::ostream& frames_;
  std::ostream& messages_;
  Report report_;
  QTimer* timer_ = nullptr;
  long long done_ = 0;
};

}  // namespace kestrova
