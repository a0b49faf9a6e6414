// Whole-file reading and all-or-nothing file writing.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace kestrova {

struct FileContents {
  std::vector<std::uint8_t> Bytes;
  // Last write time as the file system reports it.
  std::chrono::system_clock::time_point ModificationTime;
};

// Reads a regular file whole; others may go on reading and writing it meanwhile.
// Throws EFileError when it cannot be opened or read, or is not a regular file (a folder,
// a pipe or a device would not give a file's contents, or would block).
FileContents ReadFileContents(const std::filesystem::path& path);

// Replaces the file at path by bytes in one step: the bytes go to a new file beside it, which is
// then renamed over path. On any failure that new file is removed and path is left as it was.
// A new file gets `permissions` less the umask. Throws EFileError.
void WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, mode_t permissions = 0666);

}  // namespace kestrova
