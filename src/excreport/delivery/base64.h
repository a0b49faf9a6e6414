// Base64Text: the standard Base64 encoding, as used by the report e-mail.
#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// Alphabet A-Z, a-z, 0-9, "+", "/" with "=" padding; 4 * ceil(n / 3) characters, no breaks.
std::string Base64Text(std::string_view bytes);

}  // namespace kestrova
