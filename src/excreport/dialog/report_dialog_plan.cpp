#include "excreport/dialog/report_dialog_plan.h"

#include <algorithm>
#include <cctype>

namespace kestrova {
namespace {

bool Bit(unsigned flags, int bit) { return (flags >> bit & 1u) != 0; }

bool Blank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

bool SendingConfigured(const TQuillModuleOptions& options) { return options.MailMode() != 0 || options.UploadMode() != 0; }

int FirstTabIndex(int firstTab, const std::vector<ReportTab>& tabs) {
  const auto has = [&tabs](ReportTab tab) { return std::find(tabs.begin(), tabs.end(), tab) != tabs.end(); };
  if (firstTab == static_cast<int>(ReportTab::Other) && !has(ReportTab::Other)) return 0;
  int index = firstTab;
  for (int tab = 0; tab < firstTab && tab <= static_cast<int>(ReportTab::Other); ++tab) {
    if (!has(static_cast<ReportTab>(tab))) --index;
  }
  return index >= 0 && index < static_cast<int>(tabs.size()) ? index : 0;
}

ReportDialogPlan PlanReportDialog(const TQuillModuleOptions& options, int errorCount, bool duplicate, bool hasCustomData) {
  const unsigned dialogFlags = options.DialogFlags();
  const bool screenshotFlag = Bit(options.SendFlags(), 4);
  ReportDialogPlan plan;
  plan.SendPossible = SendingConfigured(options) && !duplicate;
  plan.ScreenshotPossible = screenshotFlag && plan.SendPossible;
  plan.CopyBoxShown = Bit(dialogFlags, 3);
  plan.SupportLinkShown = !Blank(options.SupportPage());
  if ((plan.SendPossible && plan.ScreenshotPossible) || (plan.CopyBoxShown && plan.SupportLinkShown)) {
    plan.StripHeight = kStripTwoRows;
  } else if (plan.SendPossible || plan.ScreenshotPossible || plan.CopyBoxShown || plan.SupportLinkShown) {
    plan.StripHeight = kStripOneRow;
  }
  plan.SendChecked = SendingConfigured(options) && Bit(dialogFlags, 1);
  plan.ScreenshotChecked = screenshotFlag && Bit(dialogFlags, 2);
  plan.EndButtonShown = options.EndButtonVisible() && errorCount > options.EndButtonAfterErrors();
  plan.EndButtonText = options.EndAction() == 1 ? 16 : 15;
  plan.DetailsShown = Bit(dialogFlags, 4);
  plan.StartDetailed = Bit(dialogFlags, 5);
  plan.TopMost = Bit(dialogFlags, 6);
  plan.OwnLook = Bit(dialogFlags, 7);

  plan.Tabs = {ReportTab::General, ReportTab::CallStack};
  if (Bit(options.LogFlags(), 4)) plan.Tabs.push_back(ReportTab::Modules);
  if (Bit(options.LogFlags(), 5)) plan.Tabs.push_back(ReportTab::Cpu);
  if (hasCustomData) plan.Tabs.push_back(ReportTab::Other);
  plan.FirstTab = FirstTabIndex(options.FirstTab(), plan.Tabs);
  plan.CloseSecs = std::max(0, options.DialogCloseSecs());
  return plan;
}

bool ReproduceRequestWanted(const TQuillModuleOptions& options, bool guiProgram, bool duplicate) {
  return Bit(options.LogFlags(), 1) && guiProgram && !duplicate && (SendingConfigured(options) || options.WriteLogFile());
}

}  // namespace kestrova
