#include "excreport/report/report_builder.h"

#include "excreport/report/general_part.h"
#include "excreport/report/log_item.h"
#include "excreport/report/report_parts.h"

namespace kestrova {

std::string QuillReport::Text() const {
  std::string text = std::string(kReportBanner) + "\r\n\r\n" + General;
  for (const std::string* part : {&CallStack, &Modules, &Cpu}) {
    if (!part->empty()) text += "\r\n\r\n" + *part;
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

QuillReport BuildReport(const ReportData& data, const TQuillModuleOptions& options) {
  QuillReport report;
  report.General = BuildGeneralPart(data, options);
  report.CallStack = BuildCallStackPart(data, options);
  if ((options.LogFlags() & 0x10) != 0) report.Modules = BuildModulesPart(data, options);
  if ((options.LogFlags() & 0x20) != 0) report.Cpu = BuildCpuPart(data, options);
  AppendSection(report, 7, options.Text(13), data.CustomData);
  AppendSection(report, 8, options.Text(81), data.ReproduceText);
  return report;
}

void AppendSection(QuillReport& report, int number, std::string_view title, std::string_view text) {
  if (text.empty()) return;
  TLogItem section(number - 1);
  section.NewSection(title);
  section.Add("", text, true);
  if (!report.General.empty()) report.General += "\r\n\r\n";
  report.General += section.Text();
}

}  // namespace kestrova
