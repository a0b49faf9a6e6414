#include "excreport/dialog/send_progress_dialog.h"

#include <algorithm>

#include "ui_send_progress_dialog.h"

namespace kestrova {

SendProgressDialog::SendProgressDialog(const QString& caption, const QString& status, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::SendProgressDialog>()) {
  ui_->setupUi(this);
  setWindowTitle(caption);
  ui_->status->setText(status);
  setWindowModality(Qt::ApplicationModal);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

SendProgressDialog::~SendProgressDialog() = default;

void SendProgressDialog::SetStatus(const QString& text) { ui_->status->setText(text); }

void SendProgressDialog::SetPosition(int percent) { ui_->bar->setValue(std::clamp(percent, 0, 100)); }

QString SendProgressDialog::Status() const { return ui_->status->text(); }

int SendProgressDialog::Position() const { return ui_->bar->value(); }

}  // namespace kestrova
