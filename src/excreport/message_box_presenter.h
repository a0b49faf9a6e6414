// TEMPORARY: a plain message box stands in for the report dialog until the dialog exists.
#pragma once

#include "excreport/report_presenter.h"

namespace kestrova {

// Shows the exception's message in a modal message box (caption text 2) with one OK button;
// nothing more: no details, no check boxes, no end button. The send and screenshot boxes count
// as left in their starting state. Asks no reproduce steps.
class MessageBoxPresenter final : public ReportPresenter {
 public:
  ReportChoice ShowReport(const ReportView& view) override;
  std::string AskReproduceSteps(const TQuillModuleOptions& options) override;
  void ShowMessage(const std::string& caption, const std::string& text, MessageKind kind) override;
};

}  // namespace kestrova
