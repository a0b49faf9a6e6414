// Packing a report's files into one archive, and pruning the archives kept after failed sends.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

inline constexpr std::size_t kKeptArchiveLimit = 10;

// Packs every file of fileNames, in order, into a new archive at archiveFileName. Each entry is
// named by AttachmentName(file, timeStamp): pass the report's time stamp ("yyyymmddhhnnss") when
// sent files carry it, else an empty text. Does nothing for an empty list.
// Throws EFileError when a file cannot be read or the archive cannot be written, or EZLibError;
// no archive is written then, and an earlier file at archiveFileName stays as it was.
void PackFiles(const std::filesystem::path& archiveFileName,
               const std::vector<std::string>& fileNames, std::string_view timeStamp);

// Keeps at most kKeptArchiveLimit archives in folder: of its regular files named "*.tgz"
// (extension in any letter case), sorted by name without regard to letter case, deletes the
// first ones. Time-stamped names sort oldest first, so the newest remain. Failures to list or
// delete are ignored: pruning is housekeeping and must not fail a report.
void PruneKeptArchives(const std::filesystem::path& folder);

}  // namespace kestrova
