// The presenter of a GUI program: the report dialog, the reproduce request and message boxes.
#pragma once

#include "excreport/dialog/report_presenter.h"

namespace kestrova {

// GUI thread only, as every presenter call. A dialog that cannot be shown is replaced by a
// message box (ShowReportDialog) and reported by throwing, so that the flow records the warning.
class DialogPresenter final : public ReportPresenter {
 public:
  ReportChoice ShowReport(const ReportView& view) override;
  std::string AskReproduceSteps(const TQuillModuleOptions& options) override;
  void ShowMessage(const std::string& caption, const std::string& text, MessageKind kind) override;
};

}  // namespace kestrova
