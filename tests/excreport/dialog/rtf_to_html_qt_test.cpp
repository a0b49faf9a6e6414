// Qt reads the converter's output as intended: text, spacing, colour and weight survive.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "excreport/dialog/rtf_to_html.h"
#include "excreport/gui_application.h"

namespace kestrova {
namespace {

QTextCharFormat FormatAt(QTextDocument& document, int position) {
  QTextCursor cursor(&document);
  cursor.setPosition(position + 1);  // the format of the character before the cursor
  return cursor.charFormat();
}

TEST(RtfToHtmlQtTest, QtRichTextKeepsTextSpacingColourAndBold) {
  const std::string rtf =
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fmodern Courier New;}}\r\n{\\colortbl ;\\red0\\green100"
      "\\blue100;\\red0\\green0\\blue0;\\red40\\green40\\blue40;\\red0\\green0\\blue160;}\r\n"
      "\\cf1\\b Exception:\\b0\\par\r\n\\cf3\\b   2.1 Date   \\b0 : \\cf4 <a & b>  x\\cf2 \\par\r\n"
      "\\{\\\\\\}}";
  QTextDocument document;
  document.setHtml(QString::fromStdString(RtfToHtml(rtf)));
  EXPECT_EQ(document.toPlainText(), "Exception:\n  2.1 Date   : <a & b>  x\n{\\}");

  const QTextCharFormat title = FormatAt(document, 0);
  EXPECT_EQ(title.fontWeight(), QFont::Bold);
  EXPECT_EQ(title.foreground().color(), QColor(0, 100, 100));

  const int line2 = document.findBlockByNumber(1).position();
  const QTextCharFormat label = FormatAt(document, line2 + 2);
  EXPECT_EQ(label.fontWeight(), QFont::Bold);
  EXPECT_EQ(label.foreground().color(), QColor(40, 40, 40));
  const QTextCharFormat value = FormatAt(document, line2 + 15);
  EXPECT_NE(value.fontWeight(), QFont::Bold);
  EXPECT_EQ(value.foreground().color(), QColor(0, 0, 160));
}

}  // namespace
}  // namespace kestrova
