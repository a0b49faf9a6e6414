#include "common/file_error.h"

#include <system_error>

namespace kestrova {
namespace {

std::string FileErrorMessage(std::string_view operation, const std::filesystem::path& path,
                             std::string_view reason) {
  std::string message = "Cannot ";
  message.append(operation).append(" file \"").append(path.string()).append("\". ");
  message.append(reason);
  return message;
}

}  // namespace

EFileError::EFileError(std::string_view operation, const std::filesystem::path& path,
                       int systemErrorCode)
    : EFileError(operation, path, systemErrorCode,
                 std::generic_category().message(systemErrorCode)) {}

EFileError::EFileError(std::string_view operation, const std::filesystem::path& path,
                       std::string_view reason)
    : EFileError(operation, path, 0, reason) {}

EFileError::EFileError(std::string_view operation, const std::filesystem::path& path,
                       int systemErrorCode, std::string_view reason)
    : std::runtime_error(FileErrorMessage(operation, path, reason)),
      path_(path),
      systemErrorCode_(systemErrorCode) {}

}  // namespace kestrova
