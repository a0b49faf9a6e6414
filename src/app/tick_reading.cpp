#include "app/tick_reading.h"

#include <cstdint>

#include "app/format_by_mask.h"
#include "app/random_below.h"
#include "app/text_to_number.h"

namespace kestrova {

long double TickReading(const TickInputs& inputs) {
  if (inputs.fixed) return TextToExtended(inputs.fixedText);
  // Two statements: the order of the reads is part of the behaviour, and the order in which
  // function arguments are evaluated is not fixed.
  const std::int32_t low = TextToInt32(inputs.lowText);
  const std::int32_t high = TextToInt32(inputs.highText);
  return static_cast<long double>(RandomReading(low, high));
}

std::string TickFrame(const TickInputs& inputs, std::string_view mask) {
  std::string frame = FormatByMask(mask, TickReading(inputs));
  frame += '\r';
  return frame;
}

}  // namespace kestrova
