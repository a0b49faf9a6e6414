// TTGZWriter: packs files and streams into one tar archive compressed as a gzip file.
#pragma once

#include <chrono>
#include <filesystem>
#include <istream>
#include <string_view>

#include "excreport/delivery/tgz_encoder.h"

namespace kestrova {

// Entries are compressed in memory as they are added; Finish writes the archive file in one
// step. A writer destroyed without Finish writes nothing, so a packing that fails half-way
// leaves no partial archive (and any earlier file of that name untouched).
//
// Not thread-safe. Failures: EFileError (a file to add unreadable, the archive unwritable),
// EZLibError, std::length_error for an entry too large for its header.
class TTGZWriter final {
 public:
  // The gzip header names the tar stream after the archive: its name without folder, with the
  // extension replaced by ".tar".
  explicit TTGZWriter(std::filesystem::path archiveFileName);

  // Adds the file under entryName without its folder part; under the file's own name without
  // folder when entryName gives no name. The entry's time is the file's last write time.
  void AddFile(const std::filesystem::path& fileName, std::string_view entryName = {});

  // Adds the rest of stream, from its current position, as one entry; the stream is left at
  // its end. Throws std::ios_base::failure when reading the stream fails.
  void AddStream(std::istream& stream, std::string_view entryName,
                 std::chrono::system_clock::time_point modificationTime);

  // Closes the tar image and writes the gzip file. Once only.
  void Finish();

 private:
  std::filesystem::path archiveFileName_;
  TgzEncoder encoder_;
};

}  // namespace kestrova
