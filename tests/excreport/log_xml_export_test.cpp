#include "excreport/log_xml_export.h"

#include <gtest/gtest.h>

#include <fstream>

#include "excreport/log_file.h"
#include "excreport/quill_module_options.h"
#include "excreport/report_builder.h"
#include "excreport/report_fixture.h"
#include "excreport/xml_item.h"

namespace kestrova {
namespace {

TEST(XmlItemTest, EscapingAndRendering) {
  EXPECT_EQ(XmlEscape("a<b>&\"'\t\x7F\xE9z"), "a&#060;b&#062;&#038;&#034;&#039;&#009;&#127;&#233;z");
  TXMLItem root("Root", 2);
  root.Attribute("A", "x<y");
  root.Add("Empty");
  TXMLItem& child = root.Add("Child");
  child.Attribute("B", "1");
  child.Add("Leaf").SetText("t&t");
  EXPECT_EQ(root.Render(),
            "  <Root A=\"x&#060;y\">\r\n"
            "    <Empty/>\r\n"
            "    <Child B=\"1\">\r\n"
            "      <Leaf>t&#038;t</Leaf>\r\n"
            "    </Child>\r\n"
            "  </Root>\r\n");
}

// Two reports: the full fixed one, and one without modules and CPU part with an "<" in its
// message and a single thread.
std::vector<std::string> TwoReports() {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  const std::string first = BuildReport(test::FixedReportData(), options).Text();
  options.SetLogFlags(0);
  ReportData data = test::FixedReportData();
  data.Exception.Message = "'<abc>' is not a valid integer value\r\n\r\nsee: above";
  data.Threads.resize(1);
  data.CustomData.clear();
  data.ReproduceText.clear();
  const std::string second = BuildReport(data, options).Text();
  return {first + "\r\n\r\n\r\n", second + "\r\n\r\n\r\n"};
}

TEST(LogXmlExportTest, TwoReportLogMatchesTheGoldenFile) {
  const std::string xml = LogToXml(TwoReports(), DefaultTexts());
  const std::string golden = test::ReadFile(test::SourcePath("golden/log.xml"));
  if (xml != golden) std::ofstream("log.actual.xml", std::ios::binary) << xml;
  EXPECT_EQ(xml, golden) << "written to log.actual.xml";
}

TEST(LogXmlExportTest, LogFileWritesTheExport) {
  const std::string folder = ::testing::TempDir();
  const std::string log = folder + "/xml-export.qmf";
  {
    TLogFile file(log, false);
    for (const std::string& report : TwoReports()) file.AddReport(report.substr(0, report.size() - 6), 32);
    file.Save();
  }
  TLogFile file(log, true);
  file.ExportXml(folder + "/xml-export.xml", DefaultTexts());
  EXPECT_EQ(test::ReadFile(folder + "/xml-export.xml"), LogToXml(TwoReports(), DefaultTexts()));
  std::remove(log.c_str());
  std::remove((folder + "/xml-export.xml").c_str());
}

TEST(LogXmlExportTest, OlderReportsPutAllRowsInOneThreadAndKeepTheReproduceText) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  std::string report = BuildReport(test::FixedReportData(), options).Text();
  report.replace(report.find("5.1.3"), 5, "4.5.2");
  const std::string xml = LogToXml({report + "\r\n\r\n\r\n"}, DefaultTexts());
  EXPECT_NE(xml.find("  <Log Version=\"4.5.2\">"), std::string::npos);
  const std::size_t stack = xml.find("    <CallStack>\r\n      <ExceptionThread>\r\n");
  ASSERT_NE(stack, std::string::npos);
  EXPECT_EQ(xml.find("RunningThread"), std::string::npos);
  EXPECT_EQ(xml.find("CallingThread"), std::string::npos);
  const std::size_t lines = xml.find("        <Line Address=\"00406000\"", stack);
  EXPECT_NE(lines, std::string::npos);
  EXPECT_NE(xml.find("    <HoToReproduce Text=\"Start the loop.\"/>\r\n  </Log>\r\n</Doc>"), std::string::npos);
}

}  // namespace
}  // namespace kestrova
