#include "comport/port_name.h"

#include <cstdint>
#include <optional>

namespace kestrova {
namespace {

int DigitValue(char c, int base) {
  int v;
  if (c >= '0' && c <= '9') {
    v = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    v = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    v = c - 'A' + 10;
  } else {
    return -1;
  }
  return v < base ? v : -1;
}

// The system's integer conversion: leading blanks, one sign, decimal digits or, after $, x, X,
// 0x or 0X, hexadecimal digits, and nothing after them. A decimal number must fit in 32 signed
// bits; a hexadecimal one may use all 32 bits ($FFFFFFFF is -1).
std::optional<std::int32_t> TextToInt32(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    int digit = DigitValue(text[i], base);
    if (digit < 0) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  auto bits = static_cast<std::uint32_t>(value);
  if (negative) bits = 0u - bits;
  return static_cast<std::int32_t>(bits);
}

}  // namespace

std::string NormalizePortName(const std::string& text) {
  auto asciiUpper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  std::string rest = text;
  if (text.size() >= 3 && asciiUpper(text[0]) == 'C' && asciiUpper(text[1]) == 'O' && asciiUpper(text[2]) == 'M') {
    rest = text.substr(3);
  }
  std::int32_t number = TextToInt32(rest).value_or(1);
  if (number < 1 || number > 16) number = 1;
  return "COM" + std::to_string(number);
}

}  // namespace kestrova
