// WebErrorText: the text of a web delivery error code; pure.
#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// The library's own description of the last failure when it gave one (lastResponse not empty);
// otherwise the text of the code's entry in the table of the 46 upload error codes (12002 to
// 12171), matched on the code's decimal digits; empty for a code not in the table.
std::string WebErrorText(int code, std::string_view lastResponse);

}  // namespace kestrova
