#include "excreport/dialog/show_report_dialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include "excreport/dialog/report_dialog.h"
#include "excreport/dialog/widget_thread.h"

namespace kestrova {
namespace {

// The message box that stands in for a dialog that could not be made: error icon, modal to the
// whole program, kept on top.
void ShowFallbackBox(const TQuillModuleOptions& options, const std::string& message) {
  try {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(options.Text(2)), QString::fromStdString(message),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
  } catch (...) {
    // Nothing more can be shown; the caller records the warning.
  }
}

}  // namespace

ReportDialogResult ShowReportDialog(const QuillReport& report, const ReportData& data, const TQuillModuleOptions& options,
                                    const ReportDialogContext& context) {
  ReportDialogResult result;
  if (!OnWidgetThread()) {
    result.ShowError = kShowErrorText;
    return result;
  }
  const QPointer<QWidget> foreground = QApplication::activeWindow();
  QApplication::beep();
  for (;;) {
    try {
      ReportDialog dialog(report, data, options, context);
      dialog.exec();
      result = dialog.Outcome();
    } catch (...) {
      ShowFallbackBox(options, context.Message);
      result = ReportDialogResult();
      result.ShowError = kShowErrorText;
      break;
    }
    if (!result.TerminateRequested || !context.ConfirmTerminate) break;
    bool confirmed = true;
    try {
      confirmed = context.ConfirmTerminate();
    } catch (...) {
      // A failing handler leaves the request as the user made it.
    }
    if (confirmed) break;
  }
  if (foreground != nullptr) {
    foreground->raise();
    foreground->activateWindow();
  }
  return result;
}

}  // namespace kestrova
