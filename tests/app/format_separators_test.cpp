#include "app/format_separators.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(FormatSeparatorsTest, OneCharacterFromTheLocaleText) {
  struct Case {
    const char* text;
    char expected;
  } cases[] = {
      {",", ','},
      {".", '.'},
      {"'", '\''},
      {".,", '.'},
      {"", '#'},
      {nullptr, '#'},
      {"\xC2\xA0", ' '},          // no-break space
      {"\xE2\x80\xAF", ' '},      // narrow no-break space
      {"\xE2\x80\x89", ' '},      // thin space
      {"\xE2\x80\x99", '\''},     // right single quotation mark
      {"\xD9\xAB", '#'},          // Arabic decimal separator: no one-byte stand-in
      {"\xE2\x80", '#'},          // cut-off UTF-8 sequence
      {"\xA0", '\xA0'},           // an 8-bit locale's single byte stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(null)");
    EXPECT_EQ(SeparatorFromLocaleText(c.text, '#'), c.expected);
  }
}

TEST(FormatSeparatorsTest, DefaultsWhereTheLocaleGivesNothing) {
  SetSeparatorsFromLocaleTexts(",", "\xE2\x80\xAF");
  EXPECT_EQ(DecimalSeparator, ',');
  EXPECT_EQ(ThousandsSeparator, ' ');
  SetSeparatorsFromLocaleTexts(".", "");  // the C locale has no grouping character
  EXPECT_EQ(DecimalSeparator, '.');
  EXPECT_EQ(ThousandsSeparator, ',');
  SetSeparatorsFromLocaleTexts(nullptr, nullptr);
  EXPECT_EQ(DecimalSeparator, '.');
  EXPECT_EQ(ThousandsSeparator, ',');
}

}  // namespace
}  // namespace kestrova
