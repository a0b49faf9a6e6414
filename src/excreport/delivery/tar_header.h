// The 512-byte header block of one tar entry and the two octal number forms it is written in.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrova {

inline constexpr std::size_t kTarBlockSize = 512;
using TarBlock = std::array<std::uint8_t, kTarBlockSize>;

inline constexpr std::size_t kTarNameLength = 100;
// Largest values of the long form (11 octal digits) and the short form (6 octal digits).
inline constexpr std::uint64_t kTarLongNumberMax = 077777777777;
inline constexpr std::uint32_t kTarShortNumberMax = 0777777;

// Mode of every entry: readable by everyone who extracts it, writable by its owner. Mode 0
// would leave extracted files readable by root alone.
inline constexpr std::uint32_t kTarEntryMode = 0644;

// Description of one entry.
struct TTarRec {
  std::string Name;
  std::uint64_t Size = 0;
  std::chrono::system_clock::time_point ModificationTime;
};

// Long form: 11 octal digits, leading zeros shown as blanks (the last digit always stays), then
// a blank. Throws std::out_of_range above kTarLongNumberMax.
std::array<char, 12> TarLongNumber(std::uint64_t value);

// Short form: 6 octal digits with blanks for leading zeros, a blank, a zero byte.
// Throws std::out_of_range above kTarShortNumberMax.
std::array<char, 8> TarShortNumber(std::uint32_t value);

// The name as stored: at most 100 bytes. A cut never splits a UTF-8 sequence, so readers that
// decode names as UTF-8 get whole characters.
std::string TarEntryName(std::string_view name);

// Seconds since 1970-01-01 00:00 UTC, truncated. Earlier times have no meaning in the field
// and give 0; times past the long form's range give its largest value.
std::uint64_t TarTimeField(std::chrono::system_clock::time_point time);

// Sum of the header's 512 bytes as unsigned values, counting the checksum field as 8 blanks.
std::uint32_t TarHeaderChecksum(const TarBlock& header);

// The complete header block of rec, checksum included.
// Throws std::length_error when rec.Size does not fit the long form.
TarBlock BuildTarHeader(const TTarRec& rec);

}  // namespace kestrova
