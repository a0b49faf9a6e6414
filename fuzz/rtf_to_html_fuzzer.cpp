// The RTF subset converter behind the report dialog: any input gives valid UTF-8 in one <pre>
// block; a document built from a text and formatting shows exactly that text.
//
// Input: a selector byte; then either raw RTF, or the visible text with formatting choices.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <string_view>

#include "excreport/dialog/rtf_to_html.h"
#include "fuzz_check.h"

namespace kestrova {
namespace {

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, minimum = 0x10000;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    char32_t c = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = c << 6 | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::size_t Count(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

void CheckPage(const std::string& html) {
  FuzzCheck(IsValidUtf8(html), "the page is valid UTF-8");
  FuzzCheck(html.starts_with("<pre>") && html.ends_with("</pre>"), "the page is one <pre> block");
  FuzzCheck(Count(html, "<span") == Count(html, "</span>"), "every span is closed");
}

// The text a reader sees: tags dropped, the four entities decoded.
std::string VisibleText(std::string_view html) {
  std::string text;
  for (std::size_t i = 0; i < html.size(); ++i) {
    if (html[i] == '<') {
      i = html.find('>', i);
      if (i == std::string_view::npos) break;
    } else if (html[i] == '&') {
      const std::size_t end = html.find(';', i);
      const std::string_view entity = html.substr(i, end - i + 1);
      text += entity == "&lt;" ? "<" : entity == "&gt;" ? ">" : entity == "&amp;" ? "&" : "\"";
      i = end;
    } else {
      text += html[i];
    }
  }
  return text;
}

void AppendLatin1AsUtf8(std::string& out, unsigned char byte) {
  out += static_cast<char>(0xC0 | (byte >> 6));
  out += static_cast<char>(0x80 | (byte & 0x3F));
}

// A document of the report's kind: header with font and colour tables, then the text with
// formatting between its characters. Bytes 0x80-0x9F and control characters other than line
// break and tab are left out: their rendering is not a plain copy.
void FuzzVisibleText(FuzzedDataProvider& input) {
  static constexpr std::string_view kFormatting[] = {
      "\\b ", "\\b0 ", "\\cf1 ", "\\cf2 ", "\\cf0 ", "{", "}", "\\plain ", "{\\*\\x hidden}"};
  std::string rtf =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier New;}}{\\colortbl ;\\red255\\green0\\blue0;"
      "\\red0\\green0\\blue128;}";
  std::string expected;
  int depth = 0;
  while (input.remaining_bytes() > 0) {
    const auto byte = input.ConsumeIntegral<unsigned char>();
    if (input.ConsumeBool()) {
      const std::string_view formatting =
          kFormatting[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kFormatting) - 1)];
      if (formatting == "}" && depth == 0) continue;
      depth += formatting == "{" ? 1 : formatting == "}" ? -1 : 0;
      rtf += formatting;
    }
    if (byte == '\n') {
      rtf += "\\par ", expected += '\n';
    } else if (byte == '\t') {
      rtf += "\\tab ", expected += '\t';
    } else if (byte == '\\' || byte == '{' || byte == '}') {
      rtf += '\\', rtf += static_cast<char>(byte), expected += static_cast<char>(byte);
    } else if (byte >= 0x20 && byte < 0x7F) {
      rtf += static_cast<char>(byte), expected += static_cast<char>(byte);
    } else if (byte >= 0xA0) {
      static constexpr char kHex[] = "0123456789abcdef";
      rtf += "\\'", rtf += kHex[byte >> 4], rtf += kHex[byte & 15];
      AppendLatin1AsUtf8(expected, byte);
    }
  }
  rtf += std::string(static_cast<std::size_t>(depth), '}') + "}";
  const std::string html = RtfToHtml(rtf);
  CheckPage(html);
  FuzzCheck(VisibleText(html) == expected, "the page shows the document's text unchanged");
}

}  // namespace
}  // namespace kestrova

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrova;
  FuzzedDataProvider input(data, size);
  if (input.ConsumeBool()) {
    FuzzVisibleText(input);
  } else {
    CheckPage(RtfToHtml(input.ConsumeRemainingBytesAsString()));
  }
  return 0;
}
