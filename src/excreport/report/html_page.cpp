#include "excreport/report/html_page.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "excreport/options/customized_texts.h"
#include "excreport/report/log_item.h"
#include "excreport/report/random_draw.h"

namespace kestrova {
namespace {

constexpr char kMarker[] = "<%HTML_TAG%>";
constexpr char kBackButton[] =
    "<br><input type=button value=\"Ok\" OnClick=\"history.go(-1)\" "
    "style=\"width:75;height:25;z-index:100;font-style:normal;font-size:10pt;text-decoration:none;\">";

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::string Escaped(std::string_view text) {
  std::string html;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '&') html += "&amp;";
    else if (c == '"') html += "&quot;";
    else if (c == '\'') html += "&#039;";
    else if (c == '<') html += "&lt;";
    else if (c == '>') html += "&gt;";
    else if (c == ' ' && i + 1 < text.size() && text[i + 1] == ' ') {
      html += "&nbsp;&nbsp;";
      ++i;
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      html += "<br>\r\n";
      ++i;
    } else {
      html += c;
    }
  }
  return html;
}

}  // namespace

std::string HtmlBody(std::string_view text, bool withBackButton) {
  std::string body = Escaped(text);
  if (withBackButton) body += kBackButton;
  return body;
}

std::string HtmlPage(std::string_view text, bool withBackButton, std::string_view pageTemplate, std::string_view title) {
  const std::string_view source = TrimText(pageTemplate).empty() ? std::string_view(kDefaultPageTemplate) : pageTemplate;
  const std::string body = HtmlBody(text, withBackButton);
  const std::string lowerSource = Lower(source);
  const std::string lowerMarker = Lower(kMarker);
  std::string page;
  std::size_t from = 0;
  for (std::size_t at = lowerSource.find(lowerMarker); at != std::string::npos; at = lowerSource.find(lowerMarker, from)) {
    page.append(source.substr(from, at - from)).append(body);
    from = at + lowerMarker.size();
  }
  page.append(source.substr(from));

  const std::size_t open = lowerSource.find("<title>");
  if (open == std::string::npos || lowerSource.find("</title>", open) == std::string::npos)
    page = "<title>" + Escaped(title) + "</title>" + page;

  char id[16];
  std::snprintf(id, sizeof id, "%08X", static_cast<unsigned>(RandomDraw(0x7FFFFFFF)));
  return page + "<!-- Quillmark ID: " + id + " -->";
}

std::string CgiResponse(std::string_view page) {
  return "Content-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n" + std::string(page);
}

}  // namespace kestrova
