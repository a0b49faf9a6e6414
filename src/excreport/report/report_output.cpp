#include "excreport/report/report_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "excreport/report/html_page.h"

namespace kestrova {

bool IsCgiProgram() { return std::getenv("GATEWAY_INTERFACE") != nullptr; }

DisplayKind ChooseDisplay(std::uint8_t raiserKind, bool guiProgram, bool cgiProgram) {
  if (raiserKind == 2 || (raiserKind == 0 && cgiProgram)) return DisplayKind::Web;
  return guiProgram ? DisplayKind::Gui : DisplayKind::Console;
}

std::string ConsoleReportText(const TQuillModuleOptions& options, std::string_view reportText) {
  return options.Text(3) + "\r\n\r\n" + std::string(reportText) + "\r\n";
}

std::string WebErrorResponse(const TQuillModuleOptions& options, std::string_view text) {
  return CgiResponse(HtmlPage(text, true, options.PageTemplate(), options.Text(2)));
}

void WriteStandardOutput(std::string_view text) {
  // Whatever the program buffered goes first, in its order.
  std::fflush(stdout);
  while (!text.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw std::system_error(errno, std::generic_category(), "Cannot write to the standard output");
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace kestrova
