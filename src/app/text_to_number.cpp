#include "app/text_to_number.h"

#include <locale.h>
#include <stdlib.h>

#include <cmath>
#include <string>

#include "app/convert_error.h"
#include "app/format_separators.h"

namespace kestrova {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::size_t SkipSpaces(std::string_view text, std::size_t i) {
  while (i < text.size() && text[i] == ' ') ++i;
  return i;
}

std::size_t SkipDigits(std::string_view text, std::size_t i) {
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i;
}

[[noreturn]] void InvalidFloat(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

[[noreturn]] void InvalidInteger(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

// The conversion of the checked number text reads "." as the point whatever the process
// locale says (the GUI toolkit sets the process locale from the environment).
locale_t ClassicLocale() {
  static const locale_t classic = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
  return classic;
}

// Hexadecimal digits from i to the end of the text as a 32-bit pattern; false when there is no
// digit, a character is not a hexadecimal digit, or more than 8 follow the leading zeros.
bool ReadHex(std::string_view text, std::size_t i, std::uint32_t& value) {
  if (i >= text.size()) return false;
  value = 0;
  int significant = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0) return false;
    if (value != 0 || digit != 0) ++significant;
    if (significant > 8) return false;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return true;
}

// Decimal digits from i to the end of the text; false when there is no digit, a character is
// not a digit, or the magnitude exceeds `limit`.
bool ReadDecimal(std::string_view text, std::size_t i, std::uint32_t limit, std::uint32_t& value) {
  if (i >= text.size()) return false;
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (magnitude > limit) return false;
  }
  value = static_cast<std::uint32_t>(magnitude);
  return true;
}

}  // namespace

long double TextToExtended(std::string_view text) {
  const char separator = DecimalSeparator;
  std::size_t i = SkipSpaces(text, 0);
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const std::size_t integerStart = i;
  i = SkipDigits(text, i);
  const std::string_view integerDigits = text.substr(integerStart, i - integerStart);
  std::string_view fractionDigits;
  bool separatorSeen = false;
  if (i < text.size() && text[i] == separator) {
    separatorSeen = true;
    const std::size_t fractionStart = ++i;
    i = SkipDigits(text, i);
    fractionDigits = text.substr(fractionStart, i - fractionStart);
  }
  if (integerDigits.empty() && fractionDigits.empty() && !separatorSeen) InvalidFloat(text);

  int exponent = 0;
  bool exponentNegative = false;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) exponentNegative = text[i++] == '-';
    while (i < text.size() && IsDigit(text[i]) && exponent < 500) exponent = exponent * 10 + (text[i++] - '0');
  }
  if (SkipSpaces(text, i) != text.size()) InvalidFloat(text);

  // The checked parts, rebuilt as a C number text and converted with correct rounding: for up
  // to 19 digits and exponents whose power of ten is exact this equals accumulating the digits
  // in extended precision and scaling them once, and it stays exact beyond that.
  std::string number;
  number.reserve(text.size() + 16);
  if (negative) number += '-';
  number += '0';
  number += integerDigits;
  number += '.';
  number += fractionDigits;
  number += exponentNegative ? "e-" : "e";
  number += std::to_string(exponent);
  const long double value = strtold_l(number.c_str(), nullptr, ClassicLocale());
  if (std::isinf(value)) InvalidFloat(text);
  return value;
}

std::int32_t TextToInt32(std::string_view text) {
  std::size_t i = SkipSpaces(text, 0);
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::uint32_t pattern = 0;
  bool valid;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X'))
    valid = ReadHex(text, i + 1, pattern);
  else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X'))
    valid = ReadHex(text, i + 2, pattern);
  else
    valid = ReadDecimal(text, i, negative ? 2147483648u : 2147483647u, pattern);
  if (!valid) InvalidInteger(text);
  // Negation in 32 bits: "-$80000000" stays -2147483648, "-$FFFFFFFF" is 1.
  return static_cast<std::int32_t>(negative ? 0u - pattern : pattern);
}

}  // namespace kestrova
