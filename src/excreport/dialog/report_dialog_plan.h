// What the report dialog shows for one report, decided from the options alone.
#pragma once

#include <string_view>
#include <vector>

#include "excreport/options/quill_module_options.h"

namespace kestrova {

// The pages of the report dialog, in the order their tabs may appear.
enum class ReportTab { General, CallStack, Modules, Cpu, Other };

// Heights of the check box strip under the buttons, in pixels.
inline constexpr int kStripTwoRows = 34;
inline constexpr int kStripOneRow = 20;

struct ReportDialogPlan {
  bool SendPossible = false;        // a send mode is set and the exception is no duplicate
  bool ScreenshotPossible = false;  // SendFlags bit 4 and SendPossible
  bool CopyBoxShown = false;
  bool SupportLinkShown = false;
  int StripHeight = 0;  // 0, kStripOneRow or kStripTwoRows
  bool SendChecked = false;
  bool ScreenshotChecked = false;
  bool EndButtonShown = false;
  int EndButtonText = 15;  // text index: 15 terminate, 16 restart
  bool DetailsShown = false;
  bool StartDetailed = false;
  bool TopMost = false;
  bool OwnLook = false;  // small tool-window caption and the own background colour
  std::vector<ReportTab> Tabs;
  int FirstTab = 0;  // index into Tabs
  int CloseSecs = 0;  // 0: the dialog never closes by itself
};

// errorCount: the exceptions handled so far, this one included. duplicate: the log holds this
// exception already. hasCustomData: the report carries custom data (the Other page).
ReportDialogPlan PlanReportDialog(const TQuillModuleOptions& options, int errorCount, bool duplicate, bool hasCustomData);

// The tab index that FirstTab selects among `tabs`: 4 without an Other page is 0, the index goes
// down by one for each missing page before it, and an index past the last tab is 0.
int FirstTabIndex(int firstTab, const std::vector<ReportTab>& tabs);

// Whether the user is asked for the steps to reproduce the error after the dialog: LogFlags
// bit 1, a GUI program, no duplicate, and sending configured or WriteLogFile on.
bool ReproduceRequestWanted(const TQuillModuleOptions& options, bool guiProgram, bool duplicate);

// Whether a send mode (e-mail or web) is set.
bool SendingConfigured(const TQuillModuleOptions& options);

}  // namespace kestrova
