// Reading the log file's text: line ends, the reports in it, and the items of a report.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// Every log entry ends with this; two entries are separated by one more CR LF.
inline constexpr char kReportTerminator[] = "\r\n\r\n\r\n";

// A lone CR and a lone LF each become CR LF.
std::string NormalizeLineEnds(std::string_view text);

// The reports of normalised log text, each with its three CR LF: pieces that end where a run of
// four CR LF begins, and a last piece ending the text with three CR LF. Incomplete text at the
// end and pieces that hold no table ("-\r\n|") are dropped.
std::vector<std::string> SplitLogReports(std::string_view text);

// The value of item `id` ("2.5"): the rest of its line after the first ": ", then the following
// lines while they are not empty and hold no ": "; each line trimmed, joined by CR LF. Empty
// when the report has no such item.
std::string ReportItemValue(std::string_view report, std::string_view id);

// The report version: the first line from its 11th character on.
std::string ReportVersion(std::string_view report);

// The items that mark two reports as the same exception, and their values in `report`.
const std::vector<std::string>& DuplicateItemIds();
std::vector<std::string> DuplicateItemValues(std::string_view report);

// The part of an item's value that the duplicate check compares: for the address (2.2) the
// module and offset in brackets behind it, when there are some (an absolute address differs at
// every start); the whole value otherwise.
std::string_view ComparableItemValue(std::string_view id, std::string_view value);

}  // namespace kestrova
