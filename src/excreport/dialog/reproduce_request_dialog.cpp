#include "excreport/dialog/reproduce_request_dialog.h"

#include "excreport/dialog/widget_thread.h"
#include "ui_reproduce_request_dialog.h"

namespace kestrova {

ReproduceRequestDialog::ReproduceRequestDialog(const TQuillModuleOptions& options, std::chrono::milliseconds closeTick,
                                               QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ReproduceRequestDialog>()) {
  ui_->setupUi(this);
  setWindowTitle(QString::fromStdString(options.Text(81)));
  ui_->prompt->setText(QString::fromStdString(options.Text(82)));
  ui_->okButton->setText(QString::fromStdString(options.Text(83)));
  ui_->okButton->setFixedSize(75, 23);
  setSizeGripEnabled(false);
  connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
  autoClose_ = std::make_unique<AutoCloseCounter>(*this, options.DialogCloseSecs(), closeTick, [this] { accept(); });
  connect(ui_->edit, &QPlainTextEdit::textChanged, autoClose_.get(), &AutoCloseCounter::Reset);
  ui_->edit->setFocus();
}

ReproduceRequestDialog::~ReproduceRequestDialog() = default;

std::string ReproduceRequestDialog::Text() const {
  return ui_->edit->toPlainText().trimmed().replace('\n', "\r\n").toStdString();
}

std::string ShowReproduceRequest(const TQuillModuleOptions& options, std::chrono::milliseconds closeTick) {
  if (!OnWidgetThread()) return {};
  try {
    ReproduceRequestDialog dialog(options, closeTick);
    dialog.exec();
    return dialog.Text();
  } catch (...) {
    return {};
  }
}

}  // namespace kestrova
