// TFMain: the program's one window, with the reading controls and the transmit loop.
#pragma once

#include <QWidget>

#include <iostream>
#include <memory>

class QTimer;

namespace Ui {
class TFMain;
}

namespace kestrova {

class TApplication;
class TComPort;
class TransmitTick;

// Built from main_form.ui. Owns its controls, its serial port ComPort1 (closed between ticks)
// and its loop timer Timer1 (50 ms, stopped at first); both are children found by those
// object names. Lives and runs on the GUI thread.
//
// The slots that run the handlers catch every exception and hand it to the application's
// central handler, so that no exception unwinds through Qt's code. Timer1Timer hands a tick's
// conversion or format error to that handler itself, once while the tick keeps failing the
// same way (TransmitTick); it drops every failure of the port, whose state changes are written
// to `diagnostics` and shown in the tooltip of "Config Porta".
class TFMain final : public QWidget {
  Q_OBJECT

 public:
  // The port shows a failure of its deferred open through the application's central handler.
  // The stream is not owned and must outlive the window.
  explicit TFMain(TApplication& application, QWidget* parent = nullptr,
                  std::ostream& diagnostics = std::cerr);
  ~TFMain() override;

  // Opens the port setup dialog for ComPort1.
  void BitBtn1Click(QObject* sender);
  // Starts or stops the loop: "Parar Loop" while it runs, "Continua Loop" once stopped.
  void Button1Click(QObject* sender);
  // The check box pairing: each box's change sets the other one to the opposite state.
  void CheckBox1Click(QObject* sender);
  void CheckBox2Click(QObject* sender);
  // One transmit tick: the reading under the mask, then byte 13, written between opening and
  // closing the port. Raises nothing.
  void Timer1Timer(QObject* sender);

 private:
  void CreateComPort();
  // Connects signal to a slot that runs handler and hands what it raises to the central handler.
  template <typename Sender, typename Signal, typename Handler>
  void ConnectGuarded(Sender* sender, Signal signal, Handler handler);
  void ShowPortState();

  TApplication& application_;
  std::unique_ptr<Ui::TFMain> ui_;
  std::unique_ptr<TransmitTick> tick_;
  TComPort* ComPort1 = nullptr;
  QTimer* Timer1 = nullptr;
};

}  // namespace kestrova
