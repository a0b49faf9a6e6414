// The random draws of the exception reporting subsystem, taken from the application's generator.
#pragma once

#include <cstdint>

namespace kestrova {

// A draw below `range` (0 for a range of 0 or less), like the application's RandomBelow.
using RandomDrawFunction = std::int32_t (*)(std::int32_t range);

// The application sets its own generator at start-up, so that the reports draw from the same
// sequence as the rest of the program; tests set their own. Until then every draw is 0.
void SetRandomDraw(RandomDrawFunction draw);
std::int32_t RandomDraw(std::int32_t range);

}  // namespace kestrova
