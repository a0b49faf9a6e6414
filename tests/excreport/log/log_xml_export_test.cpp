#include "excreport/log/log_xml_export.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QXmlStreamReader>
#include <fstream>
#include <map>

#include "excreport/log/log_file.h"
#include "excreport/log/log_text.h"
#include "excreport/log/xml_item.h"
#include "excreport/options/quill_module_options.h"
#include "excreport/report/log_item.h"
#include "excreport/report/report_builder.h"
#include "excreport/report_fixture.h"

namespace kestrova {
namespace {

TEST(XmlItemTest, EscapingAndRendering) {
  // A lone \xE9 is no UTF-8: it stays the Latin-1 character it was written as.
  EXPECT_EQ(XmlEscape("a<b>&\"'\t\x7F\xE9z"), "a&#060;b&#062;&#038;&#034;&#039;&#009;&#127;&#233;z");
  // UTF-8 stays characters; controls XML forbids become U+FFFD, CR and LF stay references.
  EXPECT_EQ(XmlEscape("ção€\x1B\r\n\x01"), "ção€\uFFFD&#013;&#010;\uFFFD");
  EXPECT_EQ(XmlEscape("\xEF\xBF\xBF\xC3"), "\uFFFD&#195;");
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

// The attributes of every element named `element` whose `key` attribute is `value`, read by
// Qt's XML parser; fails the test when the document is not well-formed.
std::vector<std::map<QString, QString>> ParsedElements(const std::string& xml, const QString& element) {
  std::vector<std::map<QString, QString>> found;
  QXmlStreamReader reader(QByteArray::fromStdString(xml));
  while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
    if (!reader.isStartElement() || reader.name() != element) continue;
    std::map<QString, QString> attributes;
    for (const QXmlStreamAttribute& attribute : reader.attributes())
      attributes[attribute.name().toString()] = attribute.value().toString();
    found.push_back(std::move(attributes));
  }
  EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
  return found;
}

TEST(LogXmlExportTest, Utf8TextAndControlCharactersReadBackByAnXmlParser) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  ReportData data = test::FixedReportData();
  data.Exception.Message = "Função ção€ \x1B fim";
  data.CustomData = "Operação: 1";
  const std::string xml = LogToXml({BuildReport(data, options).Text() + "\r\n\r\n\r\n"}, DefaultTexts());
  std::map<QString, QString> values;
  for (auto& line : ParsedElements(xml, "Line")) values[line["ID"]] = line["Value"];
  EXPECT_EQ(values["2.5"], QString::fromUtf8("Função ção€ \uFFFD fim."));
  EXPECT_EQ(values["7.1"], QString::fromUtf8("Operação: 1"));
}

TEST(LogItemTest, UnderlinesAndPaddingCountCharactersNotBytes) {
  TLogItem item;
  item.NewSection("Seção");
  item.Add("Ação", "1", true);
  item.Add("Name", "2", true);
  EXPECT_EQ(item.Text(),
            "Seção:\r\n"
            "-------------\r\n"
            "  1.1 Ação: 1\r\n"
            "  1.2 Name: 2");
}

// Logs that were damaged or edited by hand: the export skips what does not fit and never
// crashes (a one-column stack table read past its cells; a general line of just ": " threw).
TEST(LogXmlExportTest, DamagedLogsAreExportedWithoutWhatDoesNotFit) {
  const struct {
    const char* name;
    QByteArray log;
    int lines;
  } cases[] = {
      {"one-column table", QByteArray::fromBase64("UXVpbGxtYXJrIDUuMS4zDQoNCkNhbGwgU3RhY2sgSW5mb3JtYXRpb246DQotLS0tLQ0KDQotLS0tDQp8QXwNCi0tLS0NCnx4fA0KLS0tLQ0KDQoNCg=="), 0},
      {"colon line", QByteArray::fromBase64("UXVpbGxtYXJrIDUuMS4zDQoNClRpdGxlOg0KLS0tLQ0KICAxLjEgYTogYg0KOiANCg0KLQ0KfA0KDQoNCg=="), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> reports = SplitLogReports(NormalizeLineEnds(c.log.toStdString()));
    ASSERT_EQ(reports.size(), 1u);
    const std::string xml = LogToXml(reports, DefaultTexts());
    EXPECT_EQ(ParsedElements(xml, "Log").size(), 1u);
    EXPECT_EQ(ParsedElements(xml, "Line").size(), static_cast<std::size_t>(c.lines));
  }
}

}  // namespace
}  // namespace kestrova
