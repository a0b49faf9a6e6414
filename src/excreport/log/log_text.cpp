#include "excreport/log/log_text.h"

#include "excreport/report/log_item.h"

namespace kestrova {
namespace {

constexpr std::string_view kSeparator = "\r\n\r\n\r\n\r\n";
constexpr std::string_view kTableMark = "-\r\n|";

}  // namespace

std::string NormalizeLineEnds(std::string_view text) {
  std::string normal;
  normal.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      normal += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      normal += "\r\n";
    } else {
      normal += c;
    }
  }
  return normal;
}

std::vector<std::string> SplitLogReports(std::string_view text) {
  std::vector<std::string> reports;
  const std::string_view terminator = kReportTerminator;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end;
    std::size_t next;
    const std::size_t separator = text.find(kSeparator, start);
    if (separator != std::string_view::npos) {
      end = separator + terminator.size();
      next = separator + kSeparator.size();
    } else if (text.size() - start >= terminator.size() && text.substr(text.size() - terminator.size()) == terminator) {
      end = next = text.size();
    } else {
      break;  // an incomplete last report
    }
    const std::string_view piece = text.substr(start, end - start);
    if (piece.find(kTableMark) != std::string_view::npos) reports.emplace_back(piece);
    start = next;
  }
  return reports;
}

std::string ReportItemValue(std::string_view report, std::string_view id) {
  const std::string key = "\r\n  " + std::string(id) + " ";
  const std::size_t at = report.find(key);
  if (at == std::string_view::npos) return {};
  std::size_t lineEnd = report.find("\r\n", at + 2);
  if (lineEnd == std::string_view::npos) lineEnd = report.size();
  const std::string_view line = report.substr(at + 2, lineEnd - at - 2);
  const std::size_t colon = line.find(": ");
  if (colon == std::string_view::npos) return {};
  std::string value(TrimText(line.substr(colon + 2)));
  while (lineEnd + 2 <= report.size()) {
    const std::size_t start = lineEnd + 2;
    std::size_t end = report.find("\r\n", start);
    if (end == std::string_view::npos) end = report.size();
    const std::string_view next = report.substr(start, end - start);
    if (next.empty() || next.find(": ") != std::string_view::npos) break;
    value += "\r\n";
    value += TrimText(next);
    lineEnd = end;
  }
  return value;
}

std::string ReportVersion(std::string_view report) {
  const std::string_view line = report.substr(0, report.find("\r\n"));
  return line.size() > 10 ? std::string(line.substr(10)) : std::string();
}

const std::vector<std::string>& DuplicateItemIds() {
  static const std::vector<std::string> ids = {"2.2", "2.3", "2.4", "2.5"};
  return ids;
}

std::string_view ComparableItemValue(std::string_view id, std::string_view value) {
  if (id != "2.2" || !value.ends_with(')')) return value;
  const std::size_t open = value.find(" (");
  return open == std::string_view::npos ? value : value.substr(open + 2, value.size() - open - 3);
}

std::vector<std::string> DuplicateItemValues(std::string_view report) {
  std::vector<std::string> values;
  for (const std::string& id : DuplicateItemIds()) values.push_back(ReportItemValue(report, id));
  return values;
}

}  // namespace kestrova
