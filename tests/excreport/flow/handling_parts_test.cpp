// The plain rules of the handling flow: the repeated-crash rule, the warning and error lines,
// the choice of display, and the guarded start-up step.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string_view>
#include <vector>

#include "excreport/capture/guarded_runner.h"
#include "excreport/capture/quill_warnings.h"
#include "excreport/flow/exception_reporting.h"
#include "excreport/flow/repeated_crash_rule.h"
#include "excreport/report/report_output.h"

namespace kestrova {
namespace {

TEST(RepeatedCrashRule, KeepsTheNewestTimesAndFiresOnlyWhenTheyAreCloseEnough) {
  std::vector<std::int64_t> times;
  for (std::int64_t t : {100, 130, 170, 200}) NoteCrashTime(times, t, 3);
  EXPECT_EQ(times, (std::vector<std::int64_t>{130, 170, 200}));
  struct Case {
    std::vector<std::int64_t> times;
    std::int32_t count, minutes;
    bool repeated;
  };
  const Case cases[] = {
      {{130, 170, 190}, 3, 1, true},    // 60 s apart: within one minute
      {{130, 170, 191}, 3, 1, false},   // 61 s apart
      {{130, 170}, 3, 1, false},        // not yet as many as the count
      {{100}, 1, 0, true},              // one crash is enough for a count of 1
      {{}, 0, 1, false},
  };
  for (const Case& test : cases) EXPECT_EQ(IsRepeatedCrash(test.times, test.count, test.minutes), test.repeated);
  NoteCrashTime(times, 300, 0);
  EXPECT_TRUE(times.empty());
}

TEST(HandlingLines, WarningErrorAndCriticalTexts) {
  EXPECT_EQ(WarningLine(TQuillmarkErrorCode::eeLogError, 0x401A2C, WarningText("Log", "Cannot create x")),
            "[WARNING] - Code: eeLogError - Address: 00401A2C - Message: \"[Log] Cannot create x\"");
  EXPECT_EQ(WarningText("GUI", ""), "General 'GUI' error.");
  EXPECT_EQ(ErrorCodeName(TQuillmarkErrorCode::eeWebFTPError), "eeWebFTPError");
  EXPECT_EQ(InternalErrorLine("1208", 0, "boom"), "[ERROR] - Section: 1208 - Address: 00000000 - Message: \"boom\"");
  EXPECT_EQ(CriticalErrorText("EHook.Init", "bad"), "Critical error at: \"EHook.Init\"\r\nError: \"bad\".");
  EXPECT_EQ(CriticalErrorText("ECore.Init", ""), "Critical error at: \"ECore.Init\"\r\nError: \"General internal error.\".");
}

TEST(HandlingLines, RecordedWarningIsKeptUntilCleared) {
  ::testing::internal::CaptureStderr();
  RecordWarning(TQuillmarkErrorCode::eeShowError, "Console", "Broken pipe", 0x10);
  const std::string line = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(line, "[WARNING] - Code: eeShowError - Address: 00000010 - Message: \"[Console] Broken pipe\"\n");
  EXPECT_EQ(LastWarning().Code, TQuillmarkErrorCode::eeShowError);
  EXPECT_EQ(LastWarning().Text, "[Console] Broken pipe");
  ClearLastWarning();
  EXPECT_EQ(LastWarning().Code, TQuillmarkErrorCode::eeNone);
}

TEST(HandlingLines, InternalErrorIgnoresTheSilentAbortAndSocketErrors) {
  class EAbort : public std::runtime_error {
   public:
    EAbort() : std::runtime_error("Operation aborted") {}
  };
  ::testing::internal::CaptureStderr();
  ReportInternalError("3", 0, "EConvertError", std::make_exception_ptr(EAbort()));
  ReportInternalError("3", 0x20, "EConvertError", std::make_exception_ptr(std::logic_error("broken")));
  ReportInternalError("3", 0x20, "EConvertError", std::make_exception_ptr(42));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "[ERROR] - Section: 3 - Address: 00000020 - Message: \"broken\"\n"
            "[ERROR] - Section: 3 - Address: 00000020 - Message: \"General internal error.\"\n");
}

TEST(HandlingDisplay, WebForWebHostsAndCgiRuntimeExceptionsElseGuiOrConsole) {
  EXPECT_EQ(ChooseDisplay(2, true, false), DisplayKind::Web);
  EXPECT_EQ(ChooseDisplay(0, false, true), DisplayKind::Web);
  EXPECT_EQ(ChooseDisplay(1, true, true), DisplayKind::Gui);
  EXPECT_EQ(ChooseDisplay(0, true, false), DisplayKind::Gui);
  EXPECT_EQ(ChooseDisplay(0, false, false), DisplayKind::Console);
}

void FailingStep() { throw std::runtime_error("cannot start"); }

TEST(GuardedRunner, AStepFailingBeforeTheReporterExistsGivesTheCriticalErrorText) {
  SetInternalErrorReporterInstalled(false);
  ::testing::internal::CaptureStderr();
  RunGuardedStep("EHook.Init", FailingStep);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Critical error at: \"EHook.Init\"\r\nError: \"cannot start\".\n");
  SetInternalErrorReporterInstalled(true);
  ::testing::internal::CaptureStderr();
  RunGuardedStep("ExceptionLog.Init", FailingStep);
  const std::string line = ::testing::internal::GetCapturedStderr();
  SetInternalErrorReporterInstalled(false);
  EXPECT_TRUE(line.starts_with("[ERROR] - Section: ExceptionLog.Init (Address: ")) << line;
  EXPECT_NE(line.find("Message: \"cannot start\""), std::string::npos);
}

// The step names are what a critical-error report of start-up or shutdown names.
TEST(GuardedSteps, StartAndShutdownRunEveryUnitInOrder) {
  const auto names = [](const std::vector<GuardedStep>& steps) {
    std::vector<std::string_view> list;
    for (const GuardedStep& step : steps) {
      EXPECT_NE(step.Run, nullptr) << step.Name;
      list.push_back(step.Name);
    }
    return list;
  };
  EXPECT_EQ(names(StartSteps()),
            (std::vector<std::string_view>{"ECore.Init", "ESockets.Init", "EHook.Init", "ExceptionLog.Init"}));
  EXPECT_EQ(names(StopSteps()),
            (std::vector<std::string_view>{"ExceptionLog.Done", "EHook.Done", "ESockets.Done", "ECore.Done"}));
}

}  // namespace
}  // namespace kestrova
