#include "excreport/options/options_legacy.h"

#include <string>

namespace kestrova {

int FirstVersionStoringText(int index) {
  // Texts first stored by 500; 47, 48, 89, 94 and 95 count from 500 although 450 lists them too.
  switch (index) {
    case 12: case 13: case 21: case 27: case 46: case 47: case 48: case 89: case 94: case 95:
      return 500;
    default:
      break;
  }
  if ((index >= 54 && index <= 61) || (index >= 68 && index <= 74)) return 500;
  // Texts added in 450.
  if ((index >= 8 && index <= 11) || (index >= 18 && index <= 20) || (index >= 75 && index <= 95)) return 450;
  switch (index) {
    case 26: case 41: case 52:
      return 450;
    case 16:
      return 421;
    case 17:
      return 420;
    default:
      return 400;
  }
}

std::uint64_t ConvertLegacyReportItems(std::uint32_t oldItems) {
  // The flags as 40 characters "0"/"1", bit 0 first; the bits above the old 32 are clear.
  std::string text(40, '0');
  for (int bit = 0; bit < 32; ++bit) {
    if ((oldItems >> bit) & 1u) text[static_cast<std::size_t>(bit)] = '1';
  }
  // Lines that later versions dropped, at 1-based positions, each on the previous result.
  text.erase(5 - 1, 1);
  text.erase(20 - 1, 3);
  text.erase(24 - 1, 5);
  std::uint64_t items = 0;
  for (std::size_t bit = 0; bit < text.size(); ++bit) {
    if (text[bit] == '1') items |= std::uint64_t{1} << bit;
  }
  return items;
}

std::uint8_t ConvertLegacyMailMode(std::uint8_t oldMode, bool mailServerSet) {
  if (oldMode == 0) return 0;
  return mailServerSet ? 2 : 1;
}

}  // namespace kestrova
