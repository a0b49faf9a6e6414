// What the report dialog shows, decided from the options: check boxes, strip, buttons, tabs.
#include "excreport/dialog/report_dialog_plan.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct StripCase {
  const char* Name;
  std::uint8_t MailMode;
  std::uint16_t SendFlags;
  std::uint8_t DialogFlags;
  const char* SupportPage;
  bool Duplicate;
  bool Send, Screenshot, Copy, Link;
  int Strip;
  bool SendChecked, ScreenshotChecked;
};

TEST(ReportDialogPlan, CheckBoxesAndStripFollowTheSendModeAndFlags) {
  const StripCase cases[] = {
      {"nothing", 0, 0x51, 0x17, "", false, false, false, false, false, 0, false, true},
      {"copy box only", 0, 0x51, 0x1F, "", false, false, false, true, false, 20, false, true},
      {"link only", 0, 0x41, 0x17, "http://help", false, false, false, false, true, 20, false, false},
      {"blank link", 0, 0x41, 0x17, "  \t", false, false, false, false, false, 0, false, false},
      {"copy and link", 0, 0x41, 0x1F, "http://help", false, false, false, true, true, 34, false, false},
      {"send and screenshot", 2, 0x51, 0x17, "", false, true, true, false, false, 34, true, true},
      {"send without screenshot", 2, 0x41, 0x1F, "", false, true, false, true, false, 20, true, false},
      {"send unchecked", 1, 0x41, 0x15, "", false, true, false, false, false, 20, false, false},
      {"upload and screenshot unchecked", 0, 0x51, 0x13, "", false, true, true, false, false, 34, true, false},
      {"duplicate", 2, 0x51, 0x17, "", true, false, false, false, false, 0, true, true},
  };
  for (const StripCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TQuillModuleOptions options("/usr/bin/kestrova", false);
    options.SetMailMode(c.MailMode);
    if (std::string(c.Name).starts_with("upload")) options.SetUploadMode(1);
    options.SetSendFlags(c.SendFlags);
    options.SetDialogFlags(c.DialogFlags);
    options.SetSupportPage(c.SupportPage);
    const ReportDialogPlan plan = PlanReportDialog(options, 1, c.Duplicate, false);
    EXPECT_EQ(plan.SendPossible, c.Send);
    EXPECT_EQ(plan.ScreenshotPossible, c.Screenshot);
    EXPECT_EQ(plan.CopyBoxShown, c.Copy);
    EXPECT_EQ(plan.SupportLinkShown, c.Link);
    EXPECT_EQ(plan.StripHeight, c.Strip);
    EXPECT_EQ(plan.SendChecked, c.SendChecked);
    EXPECT_EQ(plan.ScreenshotChecked, c.ScreenshotChecked);
  }
}

TEST(ReportDialogPlan, EndButtonFromTheErrorAfterTheLimit) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  options.SetEndButtonAfterErrors(3);
  EXPECT_FALSE(PlanReportDialog(options, 3, false, false).EndButtonShown);
  EXPECT_TRUE(PlanReportDialog(options, 4, false, false).EndButtonShown);
  EXPECT_EQ(PlanReportDialog(options, 4, false, false).EndButtonText, 16);  // EndAction 1: restart
  options.SetEndAction(0);
  EXPECT_EQ(PlanReportDialog(options, 4, false, false).EndButtonText, 15);
  options.SetEndButtonVisible(false);
  EXPECT_FALSE(PlanReportDialog(options, 40, false, false).EndButtonShown);
}

TEST(ReportDialogPlan, FirstTabSkipsMissingPages) {
  using T = ReportTab;
  const std::vector<T> all = {T::General, T::CallStack, T::Modules, T::Cpu, T::Other};
  const std::vector<T> noModules = {T::General, T::CallStack, T::Cpu, T::Other};
  const std::vector<T> noOther = {T::General, T::CallStack, T::Modules, T::Cpu};
  const std::vector<T> bare = {T::General, T::CallStack};
  struct Case {
    int FirstTab;
    const std::vector<T>* Tabs;
    int Index;
  } cases[] = {{3, &all, 3},       {3, &noModules, 2}, {4, &noOther, 0}, {4, &noModules, 3}, {2, &noModules, 2},
               {1, &bare, 1},      {3, &bare, 0},      {4, &bare, 0},    {9, &all, 0},       {0, &bare, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(FirstTabIndex(c.FirstTab, *c.Tabs), c.Index) << "FirstTab " << c.FirstTab << " of " << c.Tabs->size();
  }
}

TEST(ReportDialogPlan, TabsFollowLogFlagsAndCustomData) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  options.SetLogFlags(0x20);
  options.SetFirstTab(3);
  const ReportDialogPlan plan = PlanReportDialog(options, 1, false, true);
  EXPECT_EQ(plan.Tabs, (std::vector<ReportTab>{ReportTab::General, ReportTab::CallStack, ReportTab::Cpu, ReportTab::Other}));
  EXPECT_EQ(plan.FirstTab, 2);
}

TEST(ReportDialogPlan, ReproduceRequestConditions) {
  struct Case {
    std::uint8_t LogFlags;
    bool Gui, Duplicate;
    std::uint8_t MailMode;
    bool WriteLog;
    bool Wanted;
  } cases[] = {{0x02, true, false, 0, true, true},  {0x00, true, false, 2, true, false}, {0x02, false, false, 2, true, false},
               {0x02, true, true, 2, true, false},  {0x02, true, false, 0, false, false}, {0x02, true, false, 2, false, true}};
  for (const Case& c : cases) {
    TQuillModuleOptions options("/usr/bin/kestrova", false);
    options.SetLogFlags(c.LogFlags);
    options.SetMailMode(c.MailMode);
    options.SetWriteLogFile(c.WriteLog);
    EXPECT_EQ(ReproduceRequestWanted(options, c.Gui, c.Duplicate), c.Wanted)
        << int(c.LogFlags) << c.Gui << c.Duplicate << int(c.MailMode) << c.WriteLog;
  }
}

}  // namespace
}  // namespace kestrova
