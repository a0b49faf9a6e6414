#include "excreport/delivery/tgz_writer.h"

#include <cstdint>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "excreport/delivery/send_names.h"

namespace kestrova {
namespace {

std::string InnerTarName(const std::filesystem::path& archiveFileName) {
  return ReplaceExtension(FileNameWithoutFolder(archiveFileName.string()), ".tar");
}

std::vector<std::uint8_t> ReadRest(std::istream& stream, std::string_view entryName) {
  std::vector<std::uint8_t> bytes;
  char chunk[64 * 1024];
  while (stream.read(chunk, sizeof chunk) || stream.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + stream.gcount());
  }
  if (stream.bad()) {
    throw std::ios_base::failure("Cannot read the data of entry \"" + std::string(entryName) +
                                 "\"");
  }
  return bytes;
}

}  // namespace

TTGZWriter::TTGZWriter(std::filesystem::path archiveFileName)
    : archiveFileName_(std::move(archiveFileName)), encoder_(InnerTarName(archiveFileName_)) {}

void TTGZWriter::AddFile(const std::filesystem::path& fileName, std::string_view entryName) {
  std::string name = FileNameWithoutFolder(entryName);
  if (name.empty()) name = FileNameWithoutFolder(fileName.string());
  const FileContents contents = ReadFileContents(fileName);
  encoder_.AddEntry(name, contents.ModificationTime, contents.Bytes);
}

void TTGZWriter::AddStream(std::istream& stream, std::string_view entryName,
                           std::chrono::system_clock::time_point modificationTime) {
  encoder_.AddEntry(entryName, modificationTime, ReadRest(stream, entryName));
}

void TTGZWriter::Finish() { WriteWholeFile(archiveFileName_, encoder_.Finish()); }

}  // namespace kestrova
