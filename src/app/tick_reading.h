// The reading of one transmit tick, and its frame, built from the texts of the window's edit
// boxes.
#pragma once

#include <string>
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

// What a tick writes to the line: FormatByMask(mask, TickReading(inputs)) followed by byte 13.
// Raises EConvertError as those two do (a text that is not a number, a mask that is too long).
std::string TickFrame(const TickInputs& inputs, std::string_view mask);

}  // namespace kestrova
