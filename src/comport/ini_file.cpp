#include "comport/ini_file.h"

#include "comport/text_file.h"

#include <charconv>

namespace kestrova {

TIniFile::TIniFile(std::filesystem::path fileName) : fileName_(std::move(fileName)) {
  const std::optional<std::string> text = ReadWholeFile(fileName_);
  if (!text) throw EIniFileException("Unable to read " + fileName_.string());
  document_ = IniDocument::Parse(*text);
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const {
  return document_.Value(Section, Ident).value_or(Default);
}

std::int32_t TIniFile::ReadInteger(const std::string& Section, const std::string& Ident,
                                   std::int32_t Default) const {
  const std::optional<std::string> text = document_.Value(Section, Ident);
  if (!text) return Default;
  const char* first = text->data();
  const char* last = first + text->size();
  if (first != last && *first == '+') ++first;  // from_chars takes '-' but not '+'
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  return ec == std::errc{} && end == last ? value : Default;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  try {
    document_.SetValue(Section, Ident, Value);
  } catch (const std::invalid_argument& e) {
    throw EIniFileException(e.what());
  }
  Save();
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Ident, std::int32_t Value) {
  WriteString(Section, Ident, std::to_string(Value));
}

void TIniFile::Save() const {
  if (!ReplaceFile(fileName_, document_.Text())) throw EIniFileException("Unable to write to " + fileName_.string());
}

}  // namespace kestrova
