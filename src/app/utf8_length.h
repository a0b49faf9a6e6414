// The length of a UTF-8 text in characters, as the operator sees them.
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrova {

// Each well-formed UTF-8 sequence counts as one character; each byte that does not belong to
// one counts on its own. So a character never spans more than 4 bytes of the text.
std::size_t Utf8Length(std::string_view text);

}  // namespace kestrova
