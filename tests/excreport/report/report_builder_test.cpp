#include "excreport/report/report_builder.h"

#include <gtest/gtest.h>

#include <fstream>

#include "excreport/log/log_text.h"
#include "excreport/options/quill_module_options.h"
#include "excreport/report/exception_message.h"
#include "excreport/report_fixture.h"

namespace kestrova {
namespace {

using test::FixedReportData;

class ReportBuilderTest : public ::testing::Test {
 protected:
  ReportBuilderTest() : options_("/usr/bin/kestrova", false) {}

  std::string Build(const ReportData& data) { return BuildReport(data, options_).Text(); }
  // The exception section of the general part, as written.
  std::string ExceptionSection(const ReportData& data) {
    const std::string general = BuildReport(data, options_).General;
    const std::size_t start = general.find("Exception:\r\n");
    return general.substr(start, general.find("\r\n\r\n", start) - start);
  }

  TQuillModuleOptions options_;
};

TEST_F(ReportBuilderTest, FixedDataGivesTheGoldenReport) {
  options_.SetLogFlags(0x30);
  const std::string report = Build(FixedReportData());
  const std::string golden = test::ReadFile(test::SourcePath("golden/report.txt"));
  if (report != golden) {
    std::ofstream("report.actual.txt", std::ios::binary) << report;
  }
  EXPECT_EQ(report, golden) << "written to report.actual.txt";
}

TEST_F(ReportBuilderTest, AddressItemHiddenKeepsTheMessageNumber) {
  options_.SetReportItems(kAllReportItems & ~(std::uint64_t{1} << 6));
  EXPECT_EQ(ExceptionSection(FixedReportData()),
            "Exception:\r\n" + std::string(50, '-') + "\r\n"
            "  2.1 Date   : Mon, 3 Mar 2025 09:05:07 +0100\r\n"
            "  2.3 Module : kestrova\r\n"
            "  2.4 Type   : EConvertError\r\n"
            "  2.5 Message: 'abc' is not a valid integer value.");
}

TEST_F(ReportBuilderTest, AddressZeroIsEmpty) {
  ReportData data = FixedReportData();
  data.Exception.Address = 0;
  data.Exception.Module.clear();
  data.Exception.Message = "Boom.";
  EXPECT_EQ(ExceptionSection(data),
            "Exception:\r\n" + std::string(45, '-') + "\r\n"
            "  2.1 Date   : Mon, 3 Mar 2025 09:05:07 +0100\r\n"
            "  2.2 Address: \r\n"
            "  2.3 Module : \r\n"
            "  2.4 Type   : EConvertError\r\n"
            "  2.5 Message: Boom.");
}

TEST_F(ReportBuilderTest, MultiLineMessageIsIndentedWithDotsForEmptyLines) {
  ReportData data = FixedReportData();
  data.Exception.Message = "First: line\r\n\r\nthird: x";
  const std::string section = ExceptionSection(data);
  EXPECT_EQ(section.substr(section.find("  2.5")),
            "  2.5 Message: First:_line\r\n"
            "               .\r\n"
            "               third:_x.");
  // The log reads the value back line by line.
  EXPECT_EQ(ReportItemValue(Build(data), "2.5"), "First:_line\r\n.\r\nthird:_x.");
}

TEST_F(ReportBuilderTest, ActiveControlsOnlyInGuiPrograms) {
  ReportData data = FixedReportData();
  EXPECT_NE(Build(data).find("  3.1 Form Class   : TFMain"), std::string::npos);
  data.GuiProgram = false;
  const std::string report = Build(data);
  EXPECT_EQ(report.find("Active Controls"), std::string::npos);
  EXPECT_NE(report.find("  4.1 Name          : WORKSTATION"), std::string::npos);
}

TEST_F(ReportBuilderTest, StackFlagsBit4LeavesProceduresOut) {
  options_.SetStackFlags(0x1F);
  const std::string report = Build(FixedReportData());
  EXPECT_EQ(report.find("Timer1Timer"), std::string::npos);
  EXPECT_NE(report.find("|Procedure/Method|"), std::string::npos);
  EXPECT_NE(report.find("|00401A2C    |kestrova |main_window|TFMain    |                |112[3]|"), std::string::npos);
}

TEST_F(ReportBuilderTest, CpuRowsNeedAllTheMemory) {
  options_.SetLogFlags(0x20);
  ReportData data = FixedReportData();
  data.MemoryBytes.resize(255);
  const std::string report = Build(data);
  EXPECT_EQ(report.find("Modules Information"), std::string::npos);
  EXPECT_TRUE(report.ends_with(std::string(30, '-') + "   " + std::string(79, '-')));
  EXPECT_EQ(report.find("7FFD1234FF80: "), std::string::npos);
}

TEST_F(ReportBuilderTest, AppendSectionAddsNothingForEmptyText) {
  QuillReport report = BuildReport(FixedReportData(), options_);
  const std::string before = report.General;
  AppendSection(report, 9, "Extra", "");
  EXPECT_EQ(report.General, before);
  AppendSection(report, 9, "Extra", "a: b");
  EXPECT_TRUE(report.General.ends_with("\r\n\r\nExtra:\r\n------------\r\n  9.1 : a:_b"));
}

ExceptionRecordData Record(std::string message, std::optional<AccessViolation> violation = {}, std::uintptr_t address = 0,
                           std::string module = "") {
  ExceptionRecordData record;
  record.ClassName = "EAccessViolation";
  record.Message = std::move(message);
  record.Violation = violation;
  record.Address = address;
  record.Module = std::move(module);
  return record;
}

TEST(ExceptionMessageTest, Rules) {
  ExceptionRecordData notAnException = Record("x");
  notAnException.IsException = false;
  struct Case {
    const char* name;
    ExceptionRecordData exception;
    const char* message;
  } cases[] = {
      {"adds a final point", Record("Bad value"), "Bad value."},
      {"keeps a final point", Record("Bad value."), "Bad value."},
      {"empty stays empty", Record(""), ""},
      {"no exception object", notAnException, "Unknown error message."},
      {"read violation in a module", Record("Access violation", AccessViolation{false, 0x10}, 0x401000, "/usr/bin/kestrova"),
       "Access violation at address 00401000 in module 'kestrova'. Read of address 00000010."},
      {"write violation outside modules", Record("Access violation", AccessViolation{true, 0}, 0x7F0000001234),
       "Access violation at address 7F0000001234. Write of address 00000000."},
  };
  for (const Case& c : cases) EXPECT_EQ(ExceptionMessageText(c.exception), c.message) << c.name;
  EXPECT_EQ(ExceptionTypeText(notAnException), "Unknown exception type.");
  EXPECT_EQ(ExceptionTypeText(Record("x")), "EAccessViolation");
}

}  // namespace
}  // namespace kestrova
