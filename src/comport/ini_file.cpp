#include "comport/ini_file.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>

namespace kestrova {

TIniFile::TIniFile(std::filesystem::path fileName) : fileName_(std::move(fileName)) {
  std::error_code ec;
  if (!std::filesystem::exists(fileName_, ec)) return;
  std::ifstream in(fileName_, std::ios::binary);
  std::ostringstream text;
  if (!in || !(text << in.rdbuf()) || in.bad()) {
    throw EIniFileException("Unable to read " + fileName_.string());
  }
  document_ = IniDocument::Parse(text.str());
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
  std::filesystem::path temporary = fileName_;
  temporary += ".tmp";
  std::error_code ec;
  if (fileName_.has_parent_path()) std::filesystem::create_directories(fileName_.parent_path(), ec);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << document_.Text();
    out.close();
    if (!out) {
      std::filesystem::remove(temporary, ec);
      throw EIniFileException("Unable to write to " + fileName_.string());
    }
  }
  std::filesystem::rename(temporary, fileName_, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    throw EIniFileException("Unable to write to " + fileName_.string());
  }
}

}  // namespace kestrova
