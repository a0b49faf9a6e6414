// The files of a web upload.
#include "excreport/delivery/upload_files.h"

#include <cerrno>
#include <filesystem>

#include "common/file_io.h"
#include "excreport/delivery/send_names.h"

namespace kestrova {

std::vector<TExistingFile> ExistingFiles(const TUploadFiles& files) {
  std::vector<TExistingFile> existing;
  for (std::size_t i = 0; i < files.paths.size(); ++i) {
    const std::string& path = files.paths[i];
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) continue;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) continue;
    existing.push_back(
        {static_cast<int>(i), path,
         i < files.sendNames.size() ? files.sendNames[i] : FileNameWithoutFolder(path),
         static_cast<std::int64_t>(size)});
  }
  return existing;
}

std::string ReadUploadFile(const std::string& path) {
  const FileContents contents = ReadFileContents(path);
  return std::string(contents.Bytes.begin(), contents.Bytes.end());
}

TWebResult FileFailure(const EFileError& error) {
  return {error.SystemErrorCode() != 0 ? error.SystemErrorCode() : EIO, error.what()};
}

}  // namespace kestrova
