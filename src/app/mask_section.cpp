#include "app/mask_section.h"

namespace kestrova {
namespace {

bool IsQuote(char c) { return c == '\'' || c == '"'; }

}  // namespace

std::size_t ClosingQuote(std::string_view mask, std::size_t open) {
  return mask.find(mask[open], open + 1);
}

std::optional<std::size_t> FindSection(std::string_view mask, MaskSectionKind kind) {
  std::size_t start = 0;
  int passed = 0;
  for (std::size_t i = 0; passed < kind && i < mask.size(); ++i) {
    if (IsQuote(mask[i])) {
      i = ClosingQuote(mask, i);
      if (i == std::string_view::npos) break;  // unclosed quote: fall back to the first section
    } else if (mask[i] == ';' && ++passed == kind) {
      const std::size_t next = i + 1;
      if (next < mask.size() && mask[next] != ';') start = next;
    }
  }
  if (start == 0 && (mask.empty() || mask[0] == ';')) return std::nullopt;
  return start;
}

SectionLayout ScanSection(std::string_view mask, std::size_t start) {
  SectionLayout layout;
  bool decimalSeen = false;
  for (std::size_t i = start; i < mask.size() && mask[i] != ';'; ++i) {
    switch (mask[i]) {
      case '\'':
      case '"':
        i = ClosingQuote(mask, i);
        if (i == std::string_view::npos) i = mask.size() - 1;  // an unclosed quote ends the scan
        break;
      case '0':
        if (layout.FirstZero == 32767) layout.FirstZero = layout.DigitCount;
        layout.LastZeroEnd = ++layout.DigitCount;
        break;
      case '#':
        ++layout.DigitCount;
        break;
      case '.':
        if (!decimalSeen) layout.DecimalIndex = layout.DigitCount;
        decimalSeen = true;
        break;
      case ',':
        layout.Thousands = true;
        break;
      case 'E':
      case 'e':
        if (i + 1 < mask.size() && (mask[i + 1] == '+' || mask[i + 1] == '-')) {
          // The zeros after the sign give the exponent's width; they are no placeholders.
          layout.Scientific = true;
          ++i;
          while (i + 1 < mask.size() && mask[i + 1] == '0') ++i;
        }
        break;
      default:
        break;
    }
  }
  if (!decimalSeen) layout.DecimalIndex = layout.DigitCount;
  return layout;
}

}  // namespace kestrova
