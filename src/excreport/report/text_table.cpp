#include "excreport/report/text_table.h"

#include <algorithm>
#include <numeric>

#include "excreport/report/utf8_text.h"

namespace kestrova {
namespace {

// A cell must stay on its row.
std::string CellText(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return text;
}

std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

}  // namespace

TextTable::TextTable(std::vector<std::string> titles) : titles_(std::move(titles)) {}

void TextTable::AddRow(std::vector<std::string> cells) {
  cells.resize(titles_.size());
  for (std::string& cell : cells) cell = CellText(std::move(cell));
  entries_.push_back(Entry{false, std::move(cells)});
}

void TextTable::AddBanner(std::string text) { entries_.push_back(Entry{true, {CellText(std::move(text))}}); }

std::string TextTable::Render() const {
  std::vector<std::size_t> widths;
  for (const std::string& title : titles_) widths.push_back(title.size());
  std::size_t bannerWidth = 0;
  for (const Entry& entry : entries_) {
    if (entry.Banner) {
      bannerWidth = std::max(bannerWidth, entry.Cells[0].size());
      continue;
    }
    for (std::size_t i = 0; i < widths.size(); ++i) widths[i] = std::max(widths[i], entry.Cells[i].size());
  }
  std::size_t inner = std::accumulate(widths.begin(), widths.end(), std::size_t{0}) + widths.size() - 1;
  if (bannerWidth > inner) {
    widths.back() += bannerWidth - inner;
    inner = bannerWidth;
  }
  const std::string rule(inner + 2, '-');
  const auto row = [&](const std::vector<std::string>& cells) {
    std::string line = "|";
    for (std::size_t i = 0; i < widths.size(); ++i) line += Padded(cells[i], widths[i]) + "|";
    return line;
  };

  std::string text = rule + "\r\n" + row(titles_) + "\r\n" + rule;
  bool firstBlock = true;
  for (const Entry& entry : entries_) {
    if (!entry.Banner) {
      text += "\r\n" + row(entry.Cells);
      continue;
    }
    if (!firstBlock) text += "\r\n" + rule;
    firstBlock = false;
    text += "\r\n|" + Padded(entry.Cells[0], inner) + "|\r\n|" + std::string(inner, '-') + "|";
  }
  if (!entries_.empty()) text += "\r\n" + rule;
  return text;
}

std::string PartTitle(const std::string& title) {
  return title + ":\r\n" + std::string(CharacterCount(title) + 1, '-') + "\r\n\r\n";
}

}  // namespace kestrova
