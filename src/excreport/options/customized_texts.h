// The 96 customised texts of the exception reporting subsystem and the default HTML page.
#pragma once

#include <array>
#include <string>

namespace kestrova {

// Every text the subsystem shows to the user, by index (0 to 95).
using TCustomizedTexts = std::array<std::string, 96>;

// The texts a fresh options object starts with.
const TCustomizedTexts& DefaultTexts();

// The default HTML error page; "<%HTML_TAG%>" is replaced by the page body.
extern const char kDefaultPageTemplate[];

}  // namespace kestrova
