// The files of a web upload: which of them exist, their send names, reading them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/file_error.h"
#include "excreport/delivery/web_upload.h"

namespace kestrova {

struct TExistingFile {
  int index = 0;  // position in the upload's list, skipped files counted
  std::string path, sendName;
  std::int64_t size = 0;
};

// The regular files of the list, in order. A file without a send name of its own is sent under
// its name without folder.
std::vector<TExistingFile> ExistingFiles(const TUploadFiles& files);

// The whole file. Throws EFileError.
std::string ReadUploadFile(const std::string& path);

// The result of an upload that ended because a file could not be read: errno (EIO when the
// failure was no system error) and the message.
TWebResult FileFailure(const EFileError& error);

}  // namespace kestrova
