// TFMain: the program's one window, with the reading controls and the transmit loop.
#pragma once

#include <QWidget>

#include <memory>

class QTimer;

namespace Ui {
class TFMain;
}

namespace kestrova {

class TApplication;
class TComPort;

// Built from main_form.ui. Owns its controls, its serial port ComPort1 (closed between ticks)
// and its loop timer Timer1 (50 ms, stopped at first); both are children found by those
// object names. Lives and runs on the GUI thread. The handlers let conversion and format
// errors leave them, for the application's central handler; the tick drops every failure of
// the port itself.
class TFMain final : public QWidget {
  Q_OBJECT

 public:
  // The port shows a failure of its deferred open through the application's central handler.
  explicit TFMain(TApplication& application, QWidget* parent = nullptr);
  ~TFMain() override;

  // Opens the port setup dialog for ComPort1.
  void BitBtn1Click(QObject* sender);
  // Starts or stops the loop: "Parar Loop" while it runs, "Continua Loop" once stopped.
  void Button1Click(QObject* sender);
  // The check box pairing: each box's change sets the other one to the opposite state.
  void CheckBox1Click(QObject* sender);
  void CheckBox2Click(QObject* sender);
  // One transmit tick: the reading under the mask, then byte 13, written between opening and
  // closing the port.
  void Timer1Timer(QObject* sender);

 private:
  void CreateComPort(TApplication& application);

  std::unique_ptr<Ui::TFMain> ui_;
  TComPort* ComPort1 = nullptr;
  QTimer* Timer1 = nullptr;
};

}  // namespace kestrova
