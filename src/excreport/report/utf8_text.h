// UTF-8 in report text: well-formed sequences and the length of a text in characters.
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrova {

// Length of the well-formed UTF-8 sequence of two to four bytes at the start of `text`
// (no overlong forms, no surrogates, nothing above U+10FFFF); 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text);

// Characters in `text`: a well-formed multi-byte sequence counts as one, every other byte as
// one, so that text in an 8-bit code page is measured as before.
std::size_t CharacterCount(std::string_view text);

}  // namespace kestrova
