#include "excreport/dialog/rich_text_form.h"

#include <cctype>
#include <vector>

#include "excreport/report/log_item.h"

namespace kestrova {
namespace {

std::string Escaped(std::string_view text) {
  std::string rtf;
  for (char c : text) {
    if (c == '\\' || c == '{' || c == '}') rtf += '\\';
    rtf += c;
  }
  return rtf;
}

bool IsRule(std::string_view line) { return !line.empty() && line.find_first_not_of('-') == std::string_view::npos; }

// "  S.I label: value": two spaces, a dotted item ID and a space.
bool IsItemLine(std::string_view line) {
  if (line.size() < 6 || line.substr(0, 2) != "  " || !std::isdigit(static_cast<unsigned char>(line[2]))) return false;
  const std::size_t space = line.find(' ', 2);
  const std::string_view id = line.substr(2, space - 2);
  return space != std::string_view::npos && id.find('.') != std::string_view::npos &&
         id.find_first_not_of("0123456789.") == std::string_view::npos && line.find(": ") != std::string_view::npos;
}

}  // namespace

std::string RichTextForm(std::string_view text, int charset, std::string_view fontName) {
  std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1040{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset" +
                    std::to_string(charset) + " " + std::string(fontName) +
                    ";}}\r\n{\\colortbl ;\\red0\\green100\\blue100;\\red0\\green0\\blue0;\\red40\\green40\\blue40;"
                    "\\red0\\green0\\blue160;}\r\n";
  const std::vector<std::string> lines = SplitLines(text);
  bool inValue = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (i != 0) rtf += "\\par\r\n";
    if (IsItemLine(line)) {
      const std::size_t colon = line.find(": ");
      rtf += "\\cf3\\b " + Escaped(line.substr(0, colon)) + "\\b0\\cf3 : \\cf4 " + Escaped(line.substr(colon + 2));
      inValue = true;
    } else if (inValue && !line.empty() && line.front() == ' ' && line.find(": ") == std::string::npos) {
      rtf += "\\cf4 " + Escaped(line);
    } else if (!line.empty() && line.front() != '|' && !IsRule(line) && i + 1 < lines.size() && IsRule(lines[i + 1])) {
      rtf += "\\cf1\\b " + Escaped(line) + "\\b0";
      inValue = false;
    } else {
      rtf += "\\cf2 " + Escaped(line);
      inValue = false;
    }
  }
  return rtf + "}";
}

}  // namespace kestrova
