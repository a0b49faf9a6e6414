// EZLibError: a failure of the zlib compressor, carrying zlib's own message text.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrova {

class EZLibError final : public std::runtime_error {
 public:
  // message: zlib's text for the failure (the stream's msg, or zError of the result code).
  explicit EZLibError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kestrova
