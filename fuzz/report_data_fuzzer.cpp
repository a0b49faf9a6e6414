// The binary forms the reporter reads from the executable: the options stream of every format
// version, the data block, the debug table with its protection, and the ELF reader.
//
// Input: a selector byte, then the bytes of the chosen form (a version or a password first where
// the form needs one).
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "excreport/options/data_block.h"
#include "excreport/options/debug_protection.h"
#include "excreport/options/debug_table.h"
#include "excreport/options/elf_file.h"
#include "excreport/options/options_stream.h"
#include "fuzz_check.h"

namespace kestrova {
namespace {

// A stream of any version that reads without error is written back in today's version and
// read again to the same image.
void FuzzOptionsStream(FuzzedDataProvider& input) {
  const int version =
      input.ConsumeIntegralInRange<int>(kOldestOptionsFormatVersion - 1, kOptionsFormatVersion + 1);
  const std::string bytes = input.ConsumeRemainingBytesAsString();
  QuillOptionsImage image;
  try {
    ByteReader reader(bytes);
    ReadOptionsStream(reader, version, image);
  } catch (const EReadError&) {
    return;
  }
  ByteWriter writer;
  WriteOptionsStream(writer, image);
  QuillOptionsImage reread;
  ByteReader reader(writer.Data());
  ReadOptionsStream(reader, kOptionsFormatVersion, reread);
  FuzzCheck(reread == image, "options stream reads back what was written");
}

bool SameParts(const DataBlock& a, const DataBlock& b) {
  return std::memcmp(&a.BuildDate, &b.BuildDate, sizeof a.BuildDate) == 0 &&
         a.Symbols == b.Symbols && a.Options == b.Options && a.CheckWord == b.CheckWord &&
         a.DebugInfo == b.DebugInfo;
}

// A block of any version that decodes is written in today's layout and decodes to the same parts.
void FuzzDataBlock(FuzzedDataProvider& input) {
  const std::string bytes = input.ConsumeRemainingBytesAsString();
  std::optional<DataBlock> block = DecodeDataBlock(bytes);
  if (!block || block->Options.empty()) return;
  block->Version = kDataBlockVersion;
  const std::optional<DataBlock> again = DecodeDataBlock(EncodeDataBlock(*block));
  FuzzCheck(again && SameParts(*block, *again), "data block decodes to what was encoded");
}

// A table that decodes answers lookups with parts that point into it.
void FuzzDebugTable(FuzzedDataProvider& input) {
  const std::uint32_t address = input.ConsumeIntegral<std::uint32_t>();
  const std::string bytes = input.ConsumeRemainingBytesAsString();
  const std::optional<TQuillDebugInfo> table = TQuillDebugInfo::Decode(bytes);
  if (!table) return;
  for (std::uint32_t probe : {address, address - 1, 0u, 0xFFFFFFFFu}) {
    const std::optional<DebugLocation> location = table->Lookup(probe);
    if (!location) continue;
    // Reading every byte lets the address sanitizer see a view that points outside the table.
    std::size_t sum = 0;
    for (std::string_view part : {location->Unit, location->Class, location->Procedure})
      for (char c : part) sum += static_cast<unsigned char>(c);
    FuzzCheck(sum < (std::size_t{1} << 40), "lookup parts are readable");
  }
}

// Stored debug information under any password: deciphered, inflated, decoded, or refused.
void FuzzDebugProtection(FuzzedDataProvider& input) {
  DebugCipher cipher;
  cipher.SetCipherKey(input.ConsumeRandomLengthString(16));
  std::array<std::uint8_t, 4> checkWord{};
  input.ConsumeData(checkWord.data(), checkWord.size());
  CheckWordMatches(checkWord, cipher);
  const std::optional<std::string> table =
      UnprotectDebugInfo(input.ConsumeRemainingBytesAsString(), cipher);
  if (table) TQuillDebugInfo::Decode(*table);
}

// The ELF reader on a file of the input's bytes (a memory file, so nothing touches the disk).
void FuzzElfFile(FuzzedDataProvider& input) {
  const std::string bytes = input.ConsumeRemainingBytesAsString();
  const int descriptor = memfd_create("fuzz-elf", MFD_CLOEXEC);
  FuzzCheck(descriptor >= 0, "memfd_create works");
  FuzzCheck(write(descriptor, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()),
            "memory file takes the input");
  const std::string path = "/proc/self/fd/" + std::to_string(descriptor);
  const std::optional<std::string> section = ReadElfSection(path, kDataBlockSectionName);
  FuzzCheck(!section || section->size() <= bytes.size(), "a section lies inside its file");
  const std::string buildId = ReadElfBuildId(path);
  FuzzCheck(buildId.size() <= bytes.size(), "a build-id lies inside its file");
  close(descriptor);
}

}  // namespace
}  // namespace kestrova

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrova;
  FuzzedDataProvider input(data, size);
  RunOneOf(input, {FuzzOptionsStream, FuzzDataBlock, FuzzDebugTable, FuzzDebugProtection, FuzzElfFile});
  return 0;
}
