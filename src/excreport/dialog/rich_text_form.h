// The rich-text form of report text for the report dialog's tabs.
#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// An RTF document in the dialog's fixed font: titles in colour 1 bold, item IDs and labels in
// colour 3 bold, values in colour 4, everything else in colour 2; "\", "{" and "}" escaped and
// every line end written "\par".
std::string RichTextForm(std::string_view text, int charset, std::string_view fontName);

}  // namespace kestrova
