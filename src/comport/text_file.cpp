#include "comport/text_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace kestrova {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(file, ec);
  if (status.type() == std::filesystem::file_type::not_found) return std::string();
  if (ec || status.type() == std::filesystem::file_type::directory) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return text;
}

bool ReplaceFile(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::path temporary = file;
  temporary += ".tmp";
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (out) std::filesystem::rename(temporary, file, ec);
    if (out && !ec) return true;
  }
  std::filesystem::remove(temporary, ec);
  return false;
}

}  // namespace kestrova
