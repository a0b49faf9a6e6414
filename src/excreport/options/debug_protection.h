// Compression and password protection of the data block's debug information.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "excreport/options/debug_cipher.h"

namespace kestrova {

// The check word and the stored debug information: a 32-bit length N and N bytes, the table
// compressed with zlib and then enciphered. The check word is the block magic enciphered
// with the same key, so the right password deciphers it back to the magic.
struct ProtectedDebugInfo {
  std::array<std::uint8_t, 4> CheckWord{};
  std::string Data;
};

ProtectedDebugInfo ProtectDebugInfo(std::string_view table, std::string_view password);

// True when `cipher` holds the key the check word was made with.
bool CheckWordMatches(const std::array<std::uint8_t, 4>& checkWord, const DebugCipher& cipher);

// The table behind stored debug information, or nothing when it is cut short or damaged.
std::optional<std::string> UnprotectDebugInfo(std::string_view data, const DebugCipher& cipher);

}  // namespace kestrova
