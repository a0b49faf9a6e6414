#include "excreport/report/utf8_text.h"

#include <cstdint>

namespace kestrova {

std::size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  char32_t c = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    c = c << 6 | (byte(i) & 0x3F);
  }
  const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
  return c >= minimum && c <= 0x10FFFF && !surrogate ? length : 0;
}

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); ++count) {
    const std::size_t length = Utf8SequenceLength(text.substr(at));
    at += length == 0 ? 1 : length;
  }
  return count;
}

}  // namespace kestrova
