#include <gtest/gtest.h>

#include "excreport/dialog/rich_text_form.h"
#include "excreport/options/customized_texts.h"
#include "excreport/report/html_page.h"
#include "excreport/report/random_draw.h"

namespace kestrova {
namespace {

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class HtmlPageTest : public ::testing::Test {
 protected:
  static std::int32_t FixedDraw(std::int32_t range) {
    lastRange = range;
    return 0x1234ABCD;
  }
  void SetUp() override { SetRandomDraw(&FixedDraw); }
  void TearDown() override { SetRandomDraw(nullptr); }
  static inline std::int32_t lastRange = 0;
};

TEST_F(HtmlPageTest, BodyEscapesSpecialCharactersSpacesAndLineEnds) {
  EXPECT_EQ(HtmlBody("a & b \"c\" 'd' <e>\r\n   x", false),
            "a &amp; b &quot;c&quot; &#039;d&#039; &lt;e&gt;<br>\r\n&nbsp;&nbsp; x");
  EXPECT_TRUE(HtmlBody("x", true).starts_with("x<br><input type=button value=\"Ok\" OnClick=\"history.go(-1)\""));
}

TEST_F(HtmlPageTest, DefaultTemplateGetsOneTitleTheBodyAndTheId) {
  const std::string page = HtmlPage("<b>", false, "  \r\n", "Error.");
  EXPECT_EQ(CountOf(page, "<title>"), 1);
  EXPECT_TRUE(page.starts_with("<title>Error.</title><html>\r\n"));
  EXPECT_NE(page.find("            &lt;b&gt;\r\n          </font>"), std::string::npos);
  EXPECT_TRUE(page.ends_with("</html><!-- Quillmark ID: 1234ABCD -->"));
  EXPECT_EQ(lastRange, 0x7FFFFFFF);
}

TEST_F(HtmlPageTest, TemplateWithItsOwnTitleKeepsItAndMarkerIsFoundInAnyCase) {
  const std::string page = HtmlPage("report", false, "<HTML><TITLE>Mine</TITLE><%html_Tag%>|<%HTML_TAG%></HTML>", "Error.");
  EXPECT_EQ(page, "<HTML><TITLE>Mine</TITLE>report|report</HTML><!-- Quillmark ID: 1234ABCD -->");
  // A "<title>" after its "</title>" does not count.
  EXPECT_EQ(CountOf(HtmlPage("r", false, "</title><title>", "Error."), "<title>"), 2);
}

TEST_F(HtmlPageTest, CgiResponseHasHeaders) {
  EXPECT_EQ(CgiResponse("<p>"), "Content-Type: text/html\r\nContent-Length: 3\r\n\r\n<p>");
}

TEST(RichTextFormTest, HeaderEscapesColoursAndLineEnds) {
  const std::string rtf = RichTextForm("Exception:\r\n---------\r\n  2.5 Message: a {b} \\c\r\n               next\r\n\r\n|x|", 0, "Courier New");
  EXPECT_EQ(rtf,
            "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1040{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 Courier New;}}\r\n"
            "{\\colortbl ;\\red0\\green100\\blue100;\\red0\\green0\\blue0;\\red40\\green40\\blue40;\\red0\\green0\\blue160;}\r\n"
            "\\cf1\\b Exception:\\b0\\par\r\n"
            "\\cf2 ---------\\par\r\n"
            "\\cf3\\b   2.5 Message\\b0\\cf3 : \\cf4 a \\{b\\} \\\\c\\par\r\n"
            "\\cf4                next\\par\r\n"
            "\\cf2 \\par\r\n"
            "\\cf2 |x|}");
}

}  // namespace
}  // namespace kestrova
