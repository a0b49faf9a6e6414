// Port names: every text a caller gives becomes one of "COM1" to "COM16".
#pragma once

#include <string>

namespace kestrova {

// Drops a leading "COM" (any case), reads the rest with ParseInt32 and gives "COM<n>"; a failed
// conversion or a number outside 1..16 gives "COM1".
std::string NormalizePortName(const std::string& text);

}  // namespace kestrova
