// The report dialog: the exception message, the action check boxes and buttons, and in its
// detailed mode the report on tabs.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <memory>

#include "excreport/dialog/auto_close_counter.h"
#include "excreport/dialog/dialog_coordinates.h"
#include "excreport/dialog/keep_in_front.h"
#include "excreport/dialog/report_dialog_plan.h"
#include "excreport/dialog/report_dialog_request.h"
#include "excreport/dialog/report_tab_pages.h"
#include "excreport/report/report_builder.h"

namespace kestrova {

// Built in code, because its size follows the message and the options. Every way of closing it
// (OK, Esc, the window's close button, the auto close) counts as OK; the end button closes it
// with the terminate request. Leaving the detailed mode, and closing in it, writes its geometry
// to the coordinates file; closing writes the widths of the list pages that were opened. The
// dialog copies what it needs from its arguments. GUI thread only.
//
// Child object names, for tests and styling: "message", "tabs", "endButton", "okButton",
// "detailsButton", "strip", "sendBox", "screenshotBox", "copyBox", "supportLink".
class ReportDialog final : public QDialog {
  Q_OBJECT

 public:
  ReportDialog(const QuillReport& report, const ReportData& data, const TQuillModuleOptions& options,
               const ReportDialogContext& context, QWidget* parent = nullptr);
  ~ReportDialog() override;

  const ReportDialogPlan& Plan() const { return plan_; }
  bool Detailed() const { return detailed_; }
  // Switches the mode; leaving the detailed mode saves its geometry first.
  void SetDetailed(bool detailed);
  // The check boxes and the way the dialog was closed.
  ReportDialogResult Outcome() const;
  const CoordinatesFile& Coordinates() const { return coordinates_; }

 public slots:
  void done(int result) override;

 private:
  void BuildWidgets(const TQuillModuleOptions& options);
  QWidget* BuildStrip(const TQuillModuleOptions& options);
  void ApplyLook();
  void EnterSimple();
  void EnterDetailed();
  void SaveDetailedGeometry();
  void SizeMessage();
  void OpenSupportPage();
  void ResetAutoClose();

  ReportDialogPlan plan_;
  CoordinatesFile coordinates_;
  QString message_;
  QString detailedMessage_;
  QString detailsText_;
  QString supportPage_;
  bool detailed_ = false;
  bool terminate_ = false;
  bool autoClosed_ = false;
  bool finished_ = false;

  QLabel* messageLabel_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QPushButton* endButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* detailsButton_ = nullptr;
  QWidget* line_ = nullptr;
  QWidget* strip_ = nullptr;
  QCheckBox* sendBox_ = nullptr;
  QCheckBox* screenshotBox_ = nullptr;
  QCheckBox* copyBox_ = nullptr;
  QLabel* supportLink_ = nullptr;
  std::unique_ptr<ReportTabPages> pages_;
  std::unique_ptr<AutoCloseCounter> autoClose_;
  std::unique_ptr<KeepInFront> keepInFront_;
};

}  // namespace kestrova
