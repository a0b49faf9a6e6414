// Qt rich text from the report's rich-text form, for the report dialog's tabs.
#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// Converts the subset of RTF that the report's rich-text form uses into Qt rich text (HTML):
// the colour table, \cfN (entry 0 and unknown entries: the widget's own colour), \b and \b0,
// \par (a line break), \tab, and the escapes \\ \{ \} and \'hh (a code page 1252 byte). Groups
// keep their formatting to themselves; the font table, other known header groups and \*
// groups are skipped. Any other control word is dropped, unbalanced braces are tolerated.
// Text bytes outside ASCII are taken as UTF-8 where they form it, else as code page 1252.
// The result is "<pre>" ... "</pre>" with the text HTML-escaped, so the report's columns keep
// their spacing, and colour and bold as <span style=...> runs. Pure; callable from any thread.
std::string RtfToHtml(std::string_view Rtf);

}  // namespace kestrova
