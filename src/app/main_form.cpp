#include "app/main_form.h"

#include <QTimer>

#include <exception>
#include <stdexcept>
#include <string>

#include "app/application.h"
#include "app/format_by_mask.h"
#include "app/tick_reading.h"
#include "comport/com_port.h"
#include "ui_main_form.h"

namespace kestrova {

TFMain::TFMain(TApplication& application, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TFMain>()) {
  ui_->setupUi(this);
  move(0, 0);
  CreateComPort(application);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(50);
  // Keeps the 50 ms period: a coarse timer may slip each tick by up to 5 %.
  Timer1->setTimerType(Qt::PreciseTimer);

  // Connected only now, so that the stored states of the form cause no clicks.
  connect(ui_->BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(ui_->BitBtn1); });
  connect(ui_->Button1, &QPushButton::clicked, this, [this] { Button1Click(ui_->Button1); });
  // toggled fires only when the checked state changes, whoever changes it.
  connect(ui_->CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(ui_->CheckBox1); });
  connect(ui_->CheckBox2, &QCheckBox::toggled, this, [this] { CheckBox2Click(ui_->CheckBox2); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(Timer1); });

  ui_->BitBtn1->setFocus();
}

TFMain::~TFMain() = default;

void TFMain::CreateComPort(TApplication& application) {
  ComPort1 = new TComPort(this);
  ComPort1->setObjectName(QStringLiteral("ComPort1"));
  // A failure of the open that Loaded defers goes to the central handler, like any other.
  // The port calls this inside its catch block, so the exception is still current.
  ComPort1->SetShowException([&application](const std::exception& e) {
    std::exception_ptr current = std::current_exception();
    application.HandleException(current ? current
                                        : std::make_exception_ptr(std::runtime_error(e.what())));
  });
  // The window's stored port settings; Connected is not stored, so the port stays closed.
  ComPort1->BeginLoading();
  ComPort1->SetBaudRate(TBaudRate::br4800);
  ComPort1->SetPort("COM2");
  ComPort1->Parity().SetBits(TParityBits::prNone);
  ComPort1->SetStopBits(TStopBits::sbTwoStopBits);
  ComPort1->SetDataBits(TDataBits::dbEight);
  ComPort1->SetEvents(kAllComEvents);
  TComFlowControl& flow = ComPort1->FlowControl();
  flow.SetOutCTSFlow(false);
  flow.SetOutDSRFlow(false);
  flow.SetControlDTR(TDTRFlowControl::dtrDisable);
  flow.SetControlRTS(TRTSFlowControl::rtsDisable);
  flow.SetXonXoffOut(false);
  flow.SetXonXoffIn(false);
  ComPort1->SetSyncMethod(TSyncMethod::smNone);
  ComPort1->Loaded();
}

void TFMain::BitBtn1Click(QObject* /*sender*/) {
  // Modal: returns when the dialog has closed; Timer1 keeps ticking meanwhile.
  ComPort1->ShowSettingsDialog();
}

void TFMain::Button1Click(QObject* /*sender*/) {
  if (Timer1->isActive()) {
    Timer1->stop();
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
  // Steps 1 to 3 are not guarded: a text that is not a number, or a mask that is too long,
  // leaves the tick for the central handler, and the next tick tries again.
  const std::string fixedText = ui_->Edit1->text().toStdString();
  const std::string lowText = ui_->Edit2->text().toStdString();
  const std::string highText = ui_->Edit3->text().toStdString();
  const long double reading =
      TickReading({ui_->CheckBox1->isChecked(), fixedText, lowText, highText});
  std::string text = FormatByMask(ui_->Edit4->text().toStdString(), reading);
  try {
    ComPort1->SetConnected(true);
    text += '\r';
    ComPort1->SendText(text);
    ComPort1->SetConnected(false);
  } catch (...) {
    // Every failure of the port steps is dropped without a word: a missing or busy port
    // simply sends nothing. A port left open by a failed write is closed by the next tick.
  }
}

}  // namespace kestrova
