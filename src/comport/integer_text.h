// The integer conversion shared by port names and settings texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrova {

// Leading blanks, one optional "+" or "-", then decimal digits, or hexadecimal digits after
// "$", "x", "X", "0x" or "0X", and nothing after them. A decimal number must fit in 32 signed
// bits; a hexadecimal one is a 32-bit pattern ("$FFFFFFFF" is -1) that "-" negates. nullopt for
// any other text. Pure: no locale, no state.
std::optional<std::int32_t> ParseInt32(std::string_view text);

}  // namespace kestrova
