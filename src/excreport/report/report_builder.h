// Builds the text report of one exception from its data.
#pragma once

#include <string>
#include <string_view>

#include "excreport/options/quill_module_options.h"
#include "excreport/report/report_data.h"

namespace kestrova {

// The first line of every report; the log reads the report version from its 11th character on.
inline constexpr char kReportBanner[] = "Quillmark 5.1.3";

// A report kept in its parts: the dialog shows them on separate tabs, the web page uses the
// general part alone.
struct QuillReport {
  std::string General;    // sections 1 to 6, then 7 (custom data) and 8 (reproduce text)
  std::string CallStack;  // the call stack table under its title
  std::string Modules;    // empty unless LogFlags bit 4 is set
  std::string Cpu;        // empty unless LogFlags bit 5 is set

  // The banner, an empty line and the parts separated by empty lines; never ends with a line end,
  // so that the log's separator of four line ends cannot occur inside it.
  std::string Text() const;
};

QuillReport BuildReport(const ReportData& data, const TQuillModuleOptions& options);

// Adds section `number` with one unlabelled item holding `text` to the end of the general part;
// nothing for an empty text. Custom data is section 7 (title text 13), the reproduce text
// section 8 (title text 81).
void AppendSection(QuillReport& report, int number, std::string_view title, std::string_view text);

}  // namespace kestrova
