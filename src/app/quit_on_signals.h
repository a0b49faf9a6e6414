// Ends the event loop cleanly on Ctrl-C (SIGINT) and SIGTERM.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace kestrova {

// While the object lives, SIGINT and SIGTERM quit the application's event loop (exit code 0)
// instead of killing the process, so that the program's destructors run: the port closes and
// the virtual ports remove their links. The handler only writes a byte to a pipe, which the
// event loop reads on the application's thread. One object at a time; create it on the
// application's thread after the application object.
class QuitOnSignals final : public QObject {
  Q_OBJECT

 public:
  QuitOnSignals();
  ~QuitOnSignals() override;
  QuitOnSignals(const QuitOnSignals&) = delete;
  QuitOnSignals& operator=(const QuitOnSignals&) = delete;

  // The signal that asked for the end, or 0.
  int Received() const { return received_; }

 private:
  void OnPipe();

  QSocketNotifier* notifier_ = nullptr;
  int received_ = 0;
};

}  // namespace kestrova
