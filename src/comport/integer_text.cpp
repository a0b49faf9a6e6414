#include "comport/integer_text.h"

namespace kestrova {
namespace {

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') {
    v = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    v = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    v = c - 'A' + 10;
  }
  return v < base ? v : -1;
}

}  // namespace

std::optional<std::int32_t> ParseInt32(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (text.substr(i, 2) == "0x" || text.substr(i, 2) == "0X") {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  // Negation in 32 bits: "-$80000000" stays -2147483648, "-$FFFFFFFF" is 1.
  auto bits = static_cast<std::uint32_t>(value);
  if (negative) bits = 0u - bits;
  return static_cast<std::int32_t>(bits);
}

}  // namespace kestrova
