#include "comport/ini_document.h"

#include <stdexcept>

namespace kestrova {
namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  while (!text.empty()) {
    const auto end = text.find('\n');
    Line line;
    line.text = std::string(text.substr(0, end));
    if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

    const std::string_view trimmed = Trim(line.text);
    const auto close = trimmed.find(']');
    const auto equals = trimmed.find('=');
    if (trimmed.starts_with('[') && close != std::string_view::npos) {
      line.kind = LineKind::Section;
      line.name = std::string(Trim(trimmed.substr(1, close - 1)));
    } else if (!trimmed.starts_with(';') && !trimmed.starts_with('#') && equals != std::string_view::npos) {
      line.kind = LineKind::Entry;
      line.name = std::string(Trim(trimmed.substr(0, equals)));
      line.value = std::string(Trim(trimmed.substr(equals + 1)));
    }
    doc.lines_.push_back(std::move(line));
  }
  return doc;
}

std::string IniDocument::Text() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += '\n';
  }
  return out;
}

IniDocument::Position IniDocument::Find(std::string_view section, std::string_view key) const {
  // Section names are read back trimmed from their headers, so they are looked up trimmed.
  section = Trim(section);
  Position pos;
  bool inSection = false;
  bool inFirstSection = false;  // only the first section of the name takes new keys
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == LineKind::Section) {
      inSection = SameName(line.name, section);
      inFirstSection = inSection && !pos.insertAfter;
      if (inFirstSection) pos.insertAfter = i;
    } else if (inSection && line.kind == LineKind::Entry) {
      if (SameName(line.name, key)) {
        pos.entry = i;
        return pos;
      }
      if (inFirstSection) pos.insertAfter = i;
    }
  }
  return pos;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
  // Keys are stored trimmed (SetValue), so they are looked up trimmed.
  const Position pos = Find(section, Trim(key));
  if (!pos.entry) return std::nullopt;
  return lines_[*pos.entry].value;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  // The message names the part the file cannot hold: the section, the key, or the key's value.
  if (HasLineBreak(section) || section.find(']') != std::string_view::npos) {
    throw std::invalid_argument("INI file cannot hold section '" + std::string(section) + "'");
  }
  const std::string_view name = Trim(key);
  if (HasLineBreak(key) || key.find('=') != std::string_view::npos || name.empty() || name.starts_with(';') ||
      name.starts_with('#') || name.starts_with('[')) {
    throw std::invalid_argument("INI file cannot hold key '" + std::string(key) + "'");
  }
  if (HasLineBreak(value)) {
    throw std::invalid_argument("INI file cannot hold the value of key '" + std::string(key) + "'");
  }
  Line entry;
  entry.kind = LineKind::Entry;
  entry.name = std::string(name);
  entry.value = std::string(Trim(value));

  const Position pos = Find(section, name);
  if (pos.entry) entry.name = lines_[*pos.entry].name;  // keep the spelling the file has
  entry.text = entry.name + "=" + std::string(value);
  if (pos.entry) {
    lines_[*pos.entry] = std::move(entry);
  } else if (pos.insertAfter) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*pos.insertAfter + 1), std::move(entry));
  } else {
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{});
    Line header;
    header.kind = LineKind::Section;
    header.name = std::string(Trim(section));
    header.text = "[" + std::string(section) + "]";
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(entry));
  }
}

}  // namespace kestrova
