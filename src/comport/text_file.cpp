#include "comport/text_file.h"

#include <cerrno>
#include <cstdint>
#include <span>
#include <system_error>

#include "common/file_error.h"
#include "common/file_io.h"

namespace kestrova {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
  try {
    const FileContents contents = ReadFileContents(file);
    return std::string(contents.Bytes.begin(), contents.Bytes.end());
  } catch (const EFileError& e) {
    // A missing file, or a missing folder on its way, holds no settings yet.
    if (e.SystemErrorCode() == ENOENT || e.SystemErrorCode() == ENOTDIR) return std::string();
    return std::nullopt;
  }
}

bool ReplaceFile(const std::filesystem::path& file, const std::string& text) {
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  try {
    WriteWholeFile(file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    return true;
  } catch (const EFileError&) {
    return false;
  }
}

}  // namespace kestrova
