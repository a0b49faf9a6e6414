// The log file's text as read back from disk (line ends, reports, item values) and its XML
// export, on damaged or tampered logs.
#include <cstdint>
#include <string>
#include <string_view>

#include "excreport/log/log_text.h"
#include "excreport/log/log_xml_export.h"
#include "excreport/options/customized_texts.h"
#include "fuzz_check.h"

namespace kestrova {
namespace {

bool HasLoneLineBreak(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return true;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return true;
  }
  return false;
}

// Whatever the reports hold, the export is one document element.
void CheckXml(const std::string& xml) {
  FuzzCheck(xml.starts_with("<Doc>") && xml.ends_with("</Doc>"), "XML export is one document");
}

}  // namespace
}  // namespace kestrova

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrova;
  const std::string text =
      NormalizeLineEnds(std::string_view(reinterpret_cast<const char*>(data), size));
  FuzzCheck(!HasLoneLineBreak(text), "normalised text has CR LF line ends only");
  const std::vector<std::string> reports = SplitLogReports(text);
  for (const std::string& report : reports) {
    FuzzCheck(report.ends_with(kReportTerminator), "each report ends with its terminator");
    ReportVersion(report);
    for (const char* id : {"1.1", "2.5", "3.1", "9.99"}) ReportItemValue(report, id);
    DuplicateItemValues(report);
  }
  CheckXml(LogToXml(reports, DefaultTexts()));
  return 0;
}
