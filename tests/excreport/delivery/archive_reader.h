// Test helpers: read an archive back with independent tools, and run shell commands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrova::test {

struct ReadEntry {
  std::string name;
  std::uint64_t size = 0;
  long long mtime = 0;
  unsigned storedChecksum = 0, recomputedChecksum = 0;
  std::string data;
};

struct ReadArchive {
  std::string gzipName;
  std::uint64_t tarLength = 0;
  std::uint64_t trailing = 0;  // bytes after the last entry's data blocks
  std::vector<ReadEntry> entries;
};

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

CommandResult RunCommand(const std::string& command);

// Reads the archive with Debian's Python (gzip and tarfile modules). Fails the test when the
// reader refuses it.
ReadArchive ReadWithPython(const std::filesystem::path& archive);

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempFolder final {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // Writes a file of the given bytes and sets its modification time (seconds since 1970).
  std::filesystem::path Write(const std::string& name, const std::string& bytes,
                              long long mtime = 1709296496) const;
  // Names of the folder's entries, sorted.
  std::vector<std::string> List() const;

 private:
  std::filesystem::path path_;
};

}  // namespace kestrova::test
