// EConvertError: a text that is not a number, or a format mask that is too long.
#pragma once

#include <stdexcept>

namespace kestrova {

// Raised by TextToExtended, TextToInt32 and FormatByMask on the calling thread; the message is
// the complete text shown to the user.
class EConvertError final : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kestrova
