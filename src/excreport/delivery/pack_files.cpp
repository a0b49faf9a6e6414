#include "excreport/delivery/pack_files.h"

#include <algorithm>
#include <system_error>
#include <tuple>

#include "excreport/delivery/send_names.h"
#include "excreport/delivery/tgz_writer.h"

namespace kestrova {
namespace {

std::string AsciiLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return text;
}

bool IsKeptArchive(const std::filesystem::directory_entry& entry) {
  std::error_code error;
  if (!entry.is_regular_file(error) || entry.is_symlink(error)) return false;
  return AsciiLower(entry.path().extension().string()) == ".tgz";
}

}  // namespace

void PackFiles(const std::filesystem::path& archiveFileName,
               const std::vector<std::string>& fileNames, std::string_view timeStamp) {
  if (fileNames.empty()) return;
  TTGZWriter writer(archiveFileName);
  for (const std::string& fileName : fileNames) {
    writer.AddFile(fileName, AttachmentName(fileName, timeStamp));
  }
  writer.Finish();
}

void PruneKeptArchives(const std::filesystem::path& folder) {
  struct Archive {
    std::string sortKey;
    std::filesystem::path path;
  };
  std::vector<Archive> archives;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (IsKeptArchive(*it)) {
      archives.push_back({AsciiLower(it->path().filename().string()), it->path()});
    }
  }
  if (archives.size() <= kKeptArchiveLimit) return;
  // Names equal but for letter case keep a fixed order through the exact name.
  std::sort(archives.begin(), archives.end(), [](const Archive& a, const Archive& b) {
    return std::tie(a.sortKey, a.path) < std::tie(b.sortKey, b.path);
  });
  for (std::size_t i = 0; i < archives.size() - kKeptArchiveLimit; ++i) {
    std::filesystem::remove(archives[i].path, error);
  }
}

}  // namespace kestrova
