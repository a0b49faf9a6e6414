// Showing a report without the GUI: console text and the CGI error page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "excreport/options/quill_module_options.h"

namespace kestrova {

enum class DisplayKind { Gui, Console, Web };

// A CGI program: the web server set GATEWAY_INTERFACE for it.
bool IsCgiProgram();

// Web for raiser kind 2, or kind 0 in a CGI program; otherwise the GUI in a GUI program and
// the console elsewhere.
DisplayKind ChooseDisplay(std::uint8_t raiserKind, bool guiProgram, bool cgiProgram);

// What a console program writes: text 3 of the options as the prefix, an empty line, the
// report, and a line end.
std::string ConsoleReportText(const TQuillModuleOptions& options, std::string_view reportText);

// The CGI response for `text`: headers and the options' page, with a back button.
std::string WebErrorResponse(const TQuillModuleOptions& options, std::string_view text);

// Writes all of `text` to standard output and flushes it; throws std::system_error on failure.
void WriteStandardOutput(std::string_view text);

}  // namespace kestrova
