#include "app/main_form.h"

#include <QTimer>

#include <exception>
#include <stdexcept>
#include <string>

#include "app/application.h"
#include "app/stored_port_settings.h"
#include "app/transmit_tick.h"
#include "comport/com_port.h"
#include "ui_main_form.h"

namespace kestrova {

TFMain::TFMain(TApplication& application, QWidget* parent, std::ostream& diagnostics)
    : QWidget(parent), application_(application), ui_(std::make_unique<Ui::TFMain>()) {
  ui_->setupUi(this);
  move(0, 0);
  CreateComPort();
  tick_ = std::make_unique<TransmitTick>(*ComPort1, diagnostics);
  tick_->Port().SetStateChanged([this] { ShowPortState(); });
  ShowPortState();

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(50);
  // Keeps the 50 ms period: a coarse timer may slip each tick by up to 5 %.
  Timer1->setTimerType(Qt::PreciseTimer);

  // Connected only now, so that the stored states of the form cause no clicks.
  ConnectGuarded(ui_->BitBtn1, &QPushButton::clicked, [this] { BitBtn1Click(ui_->BitBtn1); });
  ConnectGuarded(ui_->Button1, &QPushButton::clicked, [this] { Button1Click(ui_->Button1); });
  // toggled fires only when the checked state changes, whoever changes it.
  ConnectGuarded(ui_->CheckBox1, &QCheckBox::toggled, [this] { CheckBox1Click(ui_->CheckBox1); });
  ConnectGuarded(ui_->CheckBox2, &QCheckBox::toggled, [this] { CheckBox2Click(ui_->CheckBox2); });
  ConnectGuarded(Timer1, &QTimer::timeout, [this] { Timer1Timer(Timer1); });

  ui_->BitBtn1->setFocus();
}

TFMain::~TFMain() = default;

template <typename Sender, typename Signal, typename Handler>
void TFMain::ConnectGuarded(Sender* sender, Signal signal, Handler handler) {
  // Qt's widget code is built without unwind tables: an exception must not leave the slot.
  connect(sender, signal, this, [this, handler] {
    try {
      handler();
    } catch (...) {
      application_.HandleException(std::current_exception());
    }
  });
}

void TFMain::CreateComPort() {
  ComPort1 = new TComPort(this);
  ComPort1->setObjectName(QStringLiteral("ComPort1"));
  // A failure of the open that Loaded defers goes to the central handler, like any other.
  // The port calls this inside its catch block, so the exception is still current.
  ComPort1->SetShowException([this](const std::exception& e) {
    std::exception_ptr current = std::current_exception();
    application_.HandleException(current ? current
                                         : std::make_exception_ptr(std::runtime_error(e.what())));
  });
  // The window's stored port settings; Connected is not stored, so the port stays closed.
  LoadStoredPortSettings(*ComPort1);
}

void TFMain::ShowPortState() {
  ui_->BitBtn1->setToolTip(QString::fromStdString(tick_->Port().Summary()));
}

void TFMain::BitBtn1Click(QObject* /*sender*/) {
  // Modal: returns when the dialog has closed; Timer1 keeps ticking meanwhile. The port's name
  // may have changed, also when the dialog raises after applying part of the picks.
  struct ShowStateOnReturn {
    TFMain& window;
    ~ShowStateOnReturn() { window.ShowPortState(); }
  } showState{*this};
  ComPort1->ShowSettingsDialog();
}

void TFMain::Button1Click(QObject* /*sender*/) {
  if (Timer1->isActive()) {
    Timer1->stop();
    tick_->LoopPaused();
    ui_->Button1->setText(QStringLiteral("Continua Loop"));
  } else {
    Timer1->start();
    ui_->Button1->setText(QStringLiteral("Parar Loop"));
  }
}

void TFMain::CheckBox1Click(QObject* /*sender*/) {
  ui_->CheckBox2->setChecked(!ui_->CheckBox1->isChecked());
}

void TFMain::CheckBox2Click(QObject* /*sender*/) {
  ui_->CheckBox1->setChecked(!ui_->CheckBox2->isChecked());
}

void TFMain::Timer1Timer(QObject* /*sender*/) {
  const std::string fixedText = ui_->Edit1->text().toStdString();
  const std::string lowText = ui_->Edit2->text().toStdString();
  const std::string highText = ui_->Edit3->text().toStdString();
  const std::string mask = ui_->Edit4->text().toStdString();
  // A text that is not a number, or a mask that is too long, goes to the central handler
  // (unless the tick before failed the same way), and the next tick tries again.
  if (const std::exception_ptr failure =
          tick_->Run({ui_->CheckBox1->isChecked(), fixedText, lowText, highText}, mask))
    application_.HandleException(failure);
}

}  // namespace kestrova
