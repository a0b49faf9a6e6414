// TIniFile: an INI file read and written by section and key.
#pragma once

#include "comport/ini_document.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace kestrova {

// Raised when the file cannot be read or written.
class EIniFileException final : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Keeps the file's text in memory and writes the whole file again after every change (to a
// temporary file renamed over it), so a value is on disk when its write returns and the keys
// stay in the order they were first written. Sections and keys ignore ASCII letter case.
// A missing file reads as empty and is created by the first write. Single-threaded; two objects
// on one file do not see each other's changes.
class TIniFile final {
 public:
  // Reads the file; EIniFileException when it exists but cannot be read.
  explicit TIniFile(std::filesystem::path fileName);

  const std::filesystem::path& FileName() const { return fileName_; }

  // The stored text, or Default when the key is absent.
  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) const;
  // The stored decimal integer, or Default when the key is absent or its text is no 32-bit
  // decimal integer.
  std::int32_t ReadInteger(const std::string& Section, const std::string& Ident, std::int32_t Default) const;

  // EIniFileException when the file cannot be written (the value then stays in memory) or the
  // text cannot be held by an INI line (a line break; ']' in a section, '=' in a key).
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  // Written in decimal.
  void WriteInteger(const std::string& Section, const std::string& Ident, std::int32_t Value);

 private:
  void Save() const;

  std::filesystem::path fileName_;
  IniDocument document_;
};

}  // namespace kestrova
