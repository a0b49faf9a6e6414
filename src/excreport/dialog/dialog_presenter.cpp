#include "excreport/dialog/dialog_presenter.h"

#include <QMessageBox>
#include <stdexcept>

#include "excreport/dialog/reproduce_request_dialog.h"
#include "excreport/dialog/show_report_dialog.h"

namespace kestrova {

ReportChoice DialogPresenter::ShowReport(const ReportView& view) {
  ReportDialogContext context;
  context.ErrorCount = view.ErrorCount;
  context.Message = view.Message;
  context.Duplicate = view.Duplicate;
  context.ConfirmTerminate = view.ConfirmTermination;
  const ReportDialogResult result = ShowReportDialog(*view.Report, *view.Data, *view.Options, context);
  if (!result.ShowError.empty()) throw std::runtime_error(result.ShowError);
  ReportChoice choice;
  choice.TerminateRequested = result.TerminateRequested;
  choice.SendChecked = result.SendChecked;
  choice.ScreenshotChecked = result.ScreenshotChecked;
  choice.CopyChecked = result.CopyChecked;
  return choice;
}

std::string DialogPresenter::AskReproduceSteps(const TQuillModuleOptions& options) {
  return ShowReproduceRequest(options);
}

void DialogPresenter::ShowMessage(const std::string& caption, const std::string& text, MessageKind kind) {
  QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information,
                  QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
}

}  // namespace kestrova
