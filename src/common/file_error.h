// EFileError: a file that could not be opened, read, created or written.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrova {

// Message: Cannot <operation> file "<path>". <reason>
// SystemErrorCode is the errno of the failing call, or 0 when the reason is not a system error.
class EFileError final : public std::runtime_error {
 public:
  EFileError(std::string_view operation, const std::filesystem::path& path, int systemErrorCode);
  EFileError(std::string_view operation, const std::filesystem::path& path, std::string_view reason);

  const std::filesystem::path& Path() const { return path_; }
  int SystemErrorCode() const { return systemErrorCode_; }

 private:
  EFileError(std::string_view operation, const std::filesystem::path& path, int systemErrorCode,
             std::string_view reason);

  std::filesystem::path path_;
  int systemErrorCode_;
};

}  // namespace kestrova
