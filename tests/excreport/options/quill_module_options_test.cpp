#include "excreport/options/quill_module_options.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "excreport/options/module_identity.h"

namespace kestrova {
namespace {

// Counts the changed notifications the change rule lets through.
class CountingOptions final : public TQuillModuleOptions {
 public:
  using TQuillModuleOptions::TQuillModuleOptions;
  int changes = 0;

 protected:
  void Changed() override { ++changes; }
};

TEST(QuillModuleOptions, DefaultsOfAFreshObject) {
  const TQuillModuleOptions options("module", false);
  EXPECT_FALSE(options.LogEnabled());
  EXPECT_TRUE(options.FiltersEnabled());
  EXPECT_EQ(options.LogFlags(), 0x30);
  EXPECT_TRUE(options.WriteLogFile());
  EXPECT_EQ(options.HangTimeoutSecs(), 60);
  EXPECT_EQ(options.HangMessage(), "The application seems to be frozen.");
  EXPECT_FALSE(options.MailSender().empty());
  EXPECT_EQ(options.MailServerPort(), 25);
  EXPECT_EQ(options.EndAction(), 1);
  EXPECT_TRUE(options.EndButtonVisible());
  EXPECT_EQ(options.LogReportLimit(), 32);
  EXPECT_EQ(options.EndButtonAfterErrors(), 3);
  EXPECT_EQ(options.ReportItems(), 0xFFFFFFFFFFu);
  EXPECT_EQ(options.SendFlags(), 0x0051);
  EXPECT_EQ(options.DialogFlags(), 0x1F);
  EXPECT_EQ(options.StackFlags(), 0x0F);
  EXPECT_EQ(options.HandlingFlags(), 0x30);
  EXPECT_EQ(options.RepeatCrashAction(), 1);
  EXPECT_EQ(options.RepeatCrashCount(), 10);
  EXPECT_EQ(options.RepeatCrashMinutes(), 1);
  EXPECT_TRUE(options.Enabled());
  EXPECT_EQ(options.FilterClasses().Count(), 0);
  EXPECT_EQ(options.FilterMessages().Count(), 0);
  EXPECT_TRUE(options.PageTemplate().starts_with("<html>\r\n  <head>\r\n"));
  EXPECT_NE(options.PageTemplate().find("            <%HTML_TAG%>\r\n"), std::string::npos);
  EXPECT_TRUE(options.PageTemplate().ends_with("  </body>\r\n</html>"));
  EXPECT_EQ(options.Text(0), "Information.");
  EXPECT_EQ(options.Text(3), "An error has occurred during program execution.\r\nPlease read the following information for further details.");
  EXPECT_EQ(options.Text(16), "&Restart");
  EXPECT_EQ(options.Text(51), "Build #");
  EXPECT_EQ(options.Text(82), "Please describe the steps to reproduce the error:");
  EXPECT_EQ(options.Text(95), "Sorry, sending the message didn't work.");
  EXPECT_THROW(options.Text(96), std::out_of_range);
}

TEST(QuillModuleOptions, LogReportLimitStoresOneForZero) {
  TQuillModuleOptions options("module", false);
  for (auto [given, stored] : {std::pair{0, 1}, {5, 5}, {-1, -1}, {1, 1}}) {
    options.SetLogReportLimit(given);
    EXPECT_EQ(options.LogReportLimit(), stored) << given;
  }
}

TEST(QuillModuleOptions, ChangeRuleNeedsPublishingOwnModuleAndNoOpenBracket) {
  CountingOptions own(SubsystemModuleName(), true);
  own.changes = 0;
  own.SetMailServer("smtp.local");
  own.SetText(5, "x");
  own.FilterClasses().Add("EAbort");
  own.SetEnabled(false);
  EXPECT_EQ(own.changes, 4);

  own.changes = 0;
  own.BeginUpdate();
  own.SetLogEnabled(true);
  own.SetDialogFlags(0);
  EXPECT_EQ(own.changes, 0);
  own.EndUpdate();
  EXPECT_EQ(own.changes, 1);

  own.changes = 0;
  own.SetDefaults();
  EXPECT_EQ(own.changes, 1);
  own.changes = 0;
  own.Assign(&own);
  EXPECT_EQ(own.changes, 1);

  CountingOptions silent(SubsystemModuleName(), false);
  CountingOptions foreign("/usr/lib/other-module.so", true);
  silent.SetLogEnabled(true);
  foreign.SetLogEnabled(true);
  EXPECT_EQ(silent.changes, 0);
  EXPECT_EQ(foreign.changes, 0);
}

TEST(QuillModuleOptions, AssignCopiesStoredFieldsTextsAndFiltersOnly) {
  TQuillModuleOptions source("source", false);
  source.SetHangDetection(true);
  source.SetMailRecipients("ops@example.org");
  source.SetReportItems(0x12345);
  source.SetText(94, "Sent.");
  source.FilterClasses().Add("EConvertError");
  source.FilterMessages().Add("Bad number.");
  source.SetEnabled(false);

  TQuillModuleOptions target("target", false);
  target.FilterClasses().Add("EOld");
  target.Assign(&source);
  EXPECT_EQ(target.Image(), source.Image());
  EXPECT_TRUE(target.Enabled());
  EXPECT_EQ(target.ModuleName(), "target");

  try {
    target.Assign(nullptr);
    FAIL() << "assigning nothing must fail";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "Impossible to assign nil as TQuillModuleOptions.");
  }
  EXPECT_EQ(target.Image(), source.Image());
}

}  // namespace
}  // namespace kestrova
