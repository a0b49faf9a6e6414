// The HTML error page of web programs.
#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// The report text as page body: HTML special characters escaped, pairs of spaces kept as
// "&nbsp;&nbsp;", line ends as "<br>"; optionally a button that goes back one page.
std::string HtmlBody(std::string_view text, bool withBackButton);

// The page: `pageTemplate` (the default one when blank) with every "<%HTML_TAG%>" (any case)
// replaced by the body, a "<title>" with `title` in front when the template has none, and a
// closing comment with an ID of 8 hexadecimal digits from one random draw.
std::string HtmlPage(std::string_view text, bool withBackButton, std::string_view pageTemplate, std::string_view title);

// What a CGI program writes to standard output: the headers and the page.
std::string CgiResponse(std::string_view page);

}  // namespace kestrova
