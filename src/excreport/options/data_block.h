// The layout of the "QMDATA" data block that carries a module's options and debug information.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

inline constexpr std::uint32_t kDataBlockMagic = 0x000FAB10;
inline constexpr std::uint16_t kDataBlockVersion = 513;
// The name of the ELF section that holds the block.
inline constexpr char kDataBlockSectionName[] = "QMDATA";

// A procedure the capture paths hook, relative to the module base.
struct HookSymbol {
  std::uint8_t Id = 0;
  std::uint32_t Address = 0;
  std::uint32_t Size = 0;
  bool operator==(const HookSymbol&) const = default;
};

// The block's parts. Little-endian layout of the current version: magic (4), version (2), build
// date (8, days since 1899-12-30), symbol table length L (4) and L bytes of 9-byte entries,
// compressed options length C (4) and C bytes (zlib), check word (4), debug information (rest).
// Versions 450 to 499 compress everything after the build date as one stream, with the options
// stored uncompressed behind their length; versions below 450 compress nothing.
struct DataBlock {
  std::uint16_t Version = kDataBlockVersion;
  double BuildDate = 0;
  std::vector<HookSymbol> Symbols;
  std::string Options;  // the options' stream form, uncompressed
  std::array<std::uint8_t, 4> CheckWord{};
  std::string DebugInfo;  // the protected debug information, as stored
};

// The block in the current layout (Version is written as given; the layout is today's).
std::string EncodeDataBlock(const DataBlock& block);
// The parts of a block of any version from 400 to kDataBlockVersion, or nothing when the magic
// is missing, the version is another, the block is cut short or damaged, or its options
// decompress to nothing; then `refusal`, when given, tells which.
std::optional<DataBlock> DecodeDataBlock(std::string_view bytes, std::string* refusal = nullptr);

inline constexpr std::uint16_t kOldestDataBlockVersion = 400;

// The build date of the moment `unixSeconds`.
double BuildDateFromUnixTime(double unixSeconds);

}  // namespace kestrova
