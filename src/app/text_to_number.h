// TextToExtended and TextToInt32: the edit boxes' texts as numbers.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrova {

// Leading spaces, an optional sign, digits, optionally DecimalSeparator and more digits,
// optionally "E"/"e" with an optional sign and digits (reading stops once the exponent reaches
// 500), trailing spaces, end. At least one digit or the separator must come before the
// exponent part; a separator alone reads as 0. Raises EConvertError "'<text>' is not a valid
// floating point value" for any other text and for a value beyond the extended range.
long double TextToExtended(std::string_view text);

// Leading spaces, an optional "-" or "+", then decimal digits or a hexadecimal number after
// "$", "x", "X", "0x" or "0X" (at most 8 digits after leading zeros, taken as a 32-bit pattern
// and negated by "-"), end. Raises EConvertError "'<text>' is not a valid integer value" for
// any other text (trailing spaces included) and for a decimal value outside the 32-bit range.
std::int32_t TextToInt32(std::string_view text);

}  // namespace kestrova
