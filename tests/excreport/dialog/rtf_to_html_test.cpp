#include "excreport/dialog/rtf_to_html.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrova {
namespace {

// The header the report's rich-text form starts with: a font table and five colour entries.
const std::string Header =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1040{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 "
    "Courier New;}}\r\n{\\colortbl ;\\red0\\green100\\blue100;\\red0\\green0\\blue0;"
    "\\red40\\green40\\blue40;\\red0\\green0\\blue160;}\r\n";

std::string Document(const std::string& body) { return Header + body + "}"; }
std::string Pre(const std::string& html) { return "<pre>" + html + "</pre>"; }

const std::string Teal = "<span style=\"color:#006464\">";
const std::string TealBold = "<span style=\"color:#006464;font-weight:bold\">";
const std::string Grey = "<span style=\"color:#282828\">";
const std::string GreyBold = "<span style=\"color:#282828;font-weight:bold\">";
const std::string Blue = "<span style=\"color:#0000a0\">";
const std::string Bold = "<span style=\"font-weight:bold\">";
const std::string End = "</span>";

TEST(RtfToHtmlTest, ReportForms) {
  const struct {
    const char* name;
    std::string rtf;
    std::string html;
  } cases[] = {
      {"plain text, header groups hidden", Document("Hello"), Pre("Hello")},
      {"lines", Document("one\\par\r\ntwo\\par\r\n"), Pre("one\ntwo\n")},
      {"title", Document("\\cf1\\b Application:\\b0\\par\r\n"),
       Pre(TealBold + "Application:" + End + Teal + "\n" + End)},
      {"item line",
       Document("\\cf3\\b   1.1 Start Date\\b0 : \\cf4 Mon, 1 Jan 2024\\cf2 \\par\r\n"),
       Pre(GreyBold + "  1.1 Start Date" + End + Grey + ": " + End + Blue + "Mon, 1 Jan 2024" +
           End + "<span style=\"color:#000000\">\n" + End)},
      {"escapes", Document("C:\\\\temp\\\\a.txt \\{x\\} caf\\'e9 \\'80"),
       Pre("C:\\temp\\a.txt {x} caf\xC3\xA9 \xE2\x82\xAC")},
      {"html is escaped", Document("a < b && \"c\" > d"),
       Pre("a &lt; b &amp;&amp; &quot;c&quot; &gt; d")},
      {"columns keep their spaces", Document("|Address |Module|\\par |00401000|a.exe |"),
       Pre("|Address |Module|\n|00401000|a.exe |")},
      {"groups restore formatting", Document("{\\b bold {\\cf4 blue} bold}plain"),
       Pre(Bold + "bold " + End + "<span style=\"color:#0000a0;font-weight:bold\">blue" + End +
           Bold + " bold" + End + "plain")},
      {"cf0 and unknown entries fall back", Document("\\cf4 a\\cf0 b\\cf9 c\\cf d"),
       Pre(Blue + "a" + End + "bcd")},
      {"b1 and plain", Document("\\b1 x\\plain y"), Pre(Bold + "x" + End + "y")},
      {"control word delimiters", Document("\\b0x\\b0\\par\\b0-y"), Pre("x\n-y")},
      {"unknown words and destinations dropped",
       Document("\\pard\\f0\\fs20 a{\\*\\generator Writer;}b{\\info{\\title T}}c\\u8364?"),
       Pre("ab"
           "c?")},
      {"UTF-8 text passes, stray high bytes are code page 1252",
       Document("\xC3\xA9 \xE9 \x93q\x94"), Pre("\xC3\xA9 \xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D")},
      {"tabs and non-breaking space", Document("a\\tab b\\~c"),
       Pre("a\tb\xC2\xA0"
           "c")},
  };
  for (const auto& c : cases) EXPECT_EQ(RtfToHtml(c.rtf), c.html) << c.name;
}

// Input that is not what the report writes must still give a closed, well-formed page.
TEST(RtfToHtmlTest, MalformedInputIsHandledSafely) {
  const struct {
    const char* name;
    std::string rtf;
    std::string html;
  } cases[] = {
      {"empty", "", Pre("")},
      {"text outside any group", "plain", Pre("plain")},
      {"unclosed group, open style closed", "{\\rtf1{\\b x", Pre(Bold + "x" + End)},
      {"extra closing braces", "}}a}", Pre("a")},
      {"backslash at the end", "a\\", Pre("a")},
      {"bad hex escape", "a\\'zq\\'4", Pre("azq4")},
      {"control characters dropped",
       std::string("a\x01\\'00\\'07"
                   "b",
                   11),
       Pre("ab")},
      {"huge parameter",
       "{\\colortbl;\\red99999999999999\\green0\\blue0;}\\cf99999999999999 x"
       "\\cf1 y",
       Pre("x<span style=\"color:#ff0000\">y" + End)},
      {"negative parameter", "\\cf-1 x", Pre("x")},
      {"colour entry without components is automatic", "{\\colortbl;;\\red1;}\\cf1 a\\cf2 b",
       Pre("a<span style=\"color:#010000\">b" + End)},
      {"truncated UTF-8", "\xE2\x82", Pre("\xC3\xA2\xE2\x80\x9A")},
      {"deep nesting", std::string(100000, '{') + "x" + std::string(100000, '}'), Pre("x")},
  };
  for (const auto& c : cases) EXPECT_EQ(RtfToHtml(c.rtf), c.html) << c.name;
}

}  // namespace
}  // namespace kestrova
