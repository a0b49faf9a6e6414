#include "app/utf8_length.h"

namespace kestrova {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Continuation bytes a lead byte asks for; 0 for an ASCII byte or one that cannot lead.
std::size_t ContinuationCount(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return 0;
}

}  // namespace

std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++count) {
    const std::size_t wanted = ContinuationCount(static_cast<unsigned char>(text[i]));
    std::size_t taken = 0;
    while (taken < wanted && i + 1 + taken < text.size() &&
           IsContinuation(static_cast<unsigned char>(text[i + 1 + taken])))
      ++taken;
    // A sequence cut short is one malformed byte; its other bytes count on their own.
    i += taken == wanted ? 1 + taken : 1;
  }
  return count;
}

}  // namespace kestrova
