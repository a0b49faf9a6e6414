// TEMPORARY stand-in for the report dialog: see message_box_presenter.h.
#include "excreport/message_box_presenter.h"

#include <QMessageBox>

namespace kestrova {
namespace {

void ShowBox(QMessageBox::Icon icon, const std::string& caption, const std::string& text) {
  QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
}

}  // namespace

ReportChoice MessageBoxPresenter::ShowReport(const ReportView& view) {
  ShowBox(QMessageBox::Critical, view.Options->Text(2), view.Message);
  const std::uint8_t dialogFlags = view.Options->DialogFlags();
  ReportChoice choice;
  choice.SendChecked = view.SendingConfigured && (dialogFlags & 0x02) != 0;
  choice.ScreenshotChecked = (view.Options->SendFlags() & 0x10) != 0 && (dialogFlags & 0x04) != 0;
  return choice;
}

std::string MessageBoxPresenter::AskReproduceSteps(const TQuillModuleOptions&) { return {}; }

void MessageBoxPresenter::ShowMessage(const std::string& caption, const std::string& text, MessageKind kind) {
  ShowBox(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information, caption, text);
}

}  // namespace kestrova
