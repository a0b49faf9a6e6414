#include "app/format_separators.h"

#include <cstdint>
#include <cstring>

namespace kestrova {

char DecimalSeparator = '.';
char ThousandsSeparator = ',';

namespace {

// Decodes the first code point of a UTF-8 text of at least two bytes; 0 when it is not one.
std::uint32_t FirstCodePoint(const unsigned char* s) {
  int length = 0;
  std::uint32_t code = 0;
  if ((s[0] & 0xE0) == 0xC0) {
    length = 2;
    code = s[0] & 0x1F;
  } else if ((s[0] & 0xF0) == 0xE0) {
    length = 3;
    code = s[0] & 0x0F;
  } else if ((s[0] & 0xF8) == 0xF0) {
    length = 4;
    code = s[0] & 0x07;
  } else {
    return 0;
  }
  for (int i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (s[i] & 0x3F);
  }
  return code;
}

bool IsUnicodeSpace(std::uint32_t code) {
  return code == 0x00A0 || (code >= 0x2000 && code <= 0x200A) || code == 0x202F ||
         code == 0x205F || code == 0x3000;
}

}  // namespace

char SeparatorFromLocaleText(const char* text, char fallback) {
  if (text == nullptr || text[0] == '\0') return fallback;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  if (bytes[0] < 0x80 || std::strlen(text) == 1) return text[0];
  const std::uint32_t code = FirstCodePoint(bytes);
  if (IsUnicodeSpace(code)) return ' ';
  if (code == 0x2019 || code == 0x02BC) return '\'';
  return fallback;
}

void SetSeparatorsFromLocaleTexts(const char* decimal, const char* thousands) {
  DecimalSeparator = SeparatorFromLocaleText(decimal, '.');
  ThousandsSeparator = SeparatorFromLocaleText(thousands, ',');
}

}  // namespace kestrova
