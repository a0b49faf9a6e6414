// FormatByMask and FormatGeneral: the text of a reading under an operator's format mask.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova {

// Longest accepted mask, in characters of its UTF-8 text (Utf8Length).
constexpr std::size_t kMaxMaskLength = 224;

// The value under the mask: sections for positive; negative; zero values, "0" and "#" digit
// placeholders, "." and "," for the decimal point and grouping, "E+"/"E-" scientific notation,
// quoted literal text, every other character copied. Values the mask cannot show (infinities,
// not-a-number, 10^18 or more without scientific notation) and an empty mask give
// FormatGeneral. Reads DecimalSeparator and ThousandsSeparator once per call; keeps no state.
// Characters other than ASCII are literal text. Raises EConvertError "Format string too long"
// for a mask of more than kMaxMaskLength characters; nothing else raises.
std::string FormatByMask(std::string_view mask, long double value);

// The value with up to 15 significant digits: plain notation for decimal exponents -3 to 15,
// otherwise "d.dddE[-]x"; "INF", "-INF" and "NAN" for values without digits.
std::string FormatGeneral(long double value);

}  // namespace kestrova
