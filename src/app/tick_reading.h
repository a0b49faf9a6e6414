// The reading of one transmit tick, built from the texts of the window's edit boxes.
#pragma once

#include <string_view>

namespace kestrova {

// The texts a tick reads; which of them are read depends on the mode.
struct TickInputs {
  bool fixed = true;           // "Valor Fixo" checked
  std::string_view fixedText;  // the fixed reading, a real number
  std::string_view lowText;    // lower bound of the random range, a whole number
  std::string_view highText;   // upper bound, never drawn
};

// Fixed mode: TextToExtended(fixedText); the range texts are not read. Random mode:
// TextToInt32(lowText), then TextToInt32(highText) (so a bad lower bound is reported first),
// then RandomReading(low, high), which advances RandomSeed; fixedText is not read.
// Raises EConvertError for a text that is not a number; RandomSeed is then left as it was.
long double TickReading(const TickInputs& inputs);

}  // namespace kestrova
