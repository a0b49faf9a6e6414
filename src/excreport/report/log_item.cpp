#include "excreport/report/log_item.h"

#include <algorithm>

#include "excreport/report/utf8_text.h"

namespace kestrova {
namespace {

std::string EscapeColons(std::string_view line) {
  std::string text(line);
  for (std::size_t at = text.find(": "); at != std::string::npos; at = text.find(": ", at + 2)) text[at + 1] = '_';
  return text;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(current));
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  lines.push_back(std::move(current));
  return lines;
}

std::string_view TrimText(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

void TLogItem::NewSection(std::string_view title) {
  ++section_;
  item_ = 0;
  sections_.push_back(Section{std::string(title), {}});
}

void TLogItem::Add(std::string_view label, std::string_view value, bool shown) {
  ++item_;
  if (!shown || sections_.empty()) return;
  std::string prefix = "  " + std::to_string(section_) + "." + std::to_string(item_) + " ";
  prefix += label;
  sections_.back().Lines.push_back(Line{std::move(prefix), std::string(value)});
}

std::string TLogItem::Render(const Section& section) {
  std::size_t labelWidth = 0;
  for (const Line& line : section.Lines) labelWidth = std::max(labelWidth, CharacterCount(line.Prefix));
  const std::string indent(labelWidth + 2, ' ');
  std::vector<std::string> rows;
  for (const Line& line : section.Lines) {
    const std::vector<std::string> valueLines = SplitLines(line.Value);
    std::string row =
        line.Prefix + std::string(labelWidth - CharacterCount(line.Prefix), ' ') + ": " + EscapeColons(valueLines[0]);
    rows.push_back(std::move(row));
    for (std::size_t i = 1; i < valueLines.size(); ++i)
      rows.push_back(indent + (valueLines[i].empty() ? std::string(".") : EscapeColons(valueLines[i])));
  }
  std::size_t width = CharacterCount(section.Title) + 1;
  for (const std::string& row : rows) width = std::max(width, CharacterCount(row));
  std::string text = section.Title + ":\r\n" + std::string(width, '-');
  for (const std::string& row : rows) text += "\r\n" + row;
  return text;
}

std::string TLogItem::Text() const {
  std::string text;
  for (const Section& section : sections_) {
    if (section.Lines.empty()) continue;
    if (!text.empty()) text += "\r\n\r\n";
    text += Render(section);
  }
  return text;
}

}  // namespace kestrova
