#include "app/format_by_mask.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "app/convert_error.h"
#include "app/format_separators.h"

namespace kestrova {
namespace {

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr const char* kTooLong = "\x01too long";  // expected: EConvertError "Format string too long"

struct Row {
  std::string mask;
  long double value;
  std::string expected;
  char decimal = '.';
  char thousands = ',';
};

TEST(FormatByMaskTest, MaskLanguageTable) {
  const Row rows[] = {
      // The worked examples.
      {"_000000_", 40000, "_040000_"},
      {"_000000_", 20123, "_020123_"},
      {"_000000_", 1234567, "_1234567_"},
      {"_000000_", 20000.5L, "_020001_"},
      {"_000000_", -5, "-_000005_"},
      {"_000000_", -0.4L, "_000000_"},
      {"_000000_", 1e18L, "1E18"},
      {"0.00", 3, "3.00"},
      {"0.00", 0.125L, "0.13"},
      {"#.##", 3, "3"},
      {"0.0#", 3.14L, "3.14"},
      {"#,##0", 1234567, "1,234,567"},
      {"#,##0", 5, "5"},
      {"0,000", 5, "0,005"},
      {"00000", 42, "00042"},
      {"0", 2.5L, "3"},
      {"0", -2.5L, "-3"},
      {"0.00E+00", 12345, "1.23E+04"},
      {"0.00E+00", 0, "0.00E+00"},
      {"0.00E-00", 0.000123L, "1.23E-04"},
      {"0.0;(0.0);Zero", -3, "(3.0)"},
      {"0.0;(0.0);Zero", -0.01L, "Zero"},
      {"0;(0)", -0.001L, "0"},
      {"abc", 42, "abc"},
      {"", 40000, "40000"},
      {"", 0.5L, "0.5"},
      {"", 0.00001L, "1E-5"},
      // Mask length: 224 accepted, 225 refused.
      {std::string(224, '0'), 7, std::string(223, '0') + "7"},
      {std::string(225, '0'), 7, kTooLong},
      {std::string(225, 'x'), 0, kTooLong},
      // The limit counts characters, not the bytes of their UTF-8 text.
      {Repeat("\u00e9", 224), 7, Repeat("\u00e9", 224)},
      {Repeat("\u00e9", 225), 7, kTooLong},
      {Repeat("\U0001F600", 224), 0, Repeat("\U0001F600", 224)},
      {Repeat("\u00e9", 223) + "0", 7, Repeat("\u00e9", 223) + "7"},
      {Repeat("\u00e9", 224) + "0", 7, kTooLong},
      // -0 looks for the negative section, has no digits, and is written as zero without "-".
      {"0;(0);Z", -0.0L, "Z"},
      {"_000000_", -0.0L, "_000000_"},
      {"", -0.0L, "0"},
      // With a negative section there is no automatic minus sign.
      {"0;0", -5, "5"},
      // Rounded to zero: the zero section, no minus sign, no second rounding.
      {"0.0;-0.0;'nil'", -0.04L, "nil"},
      {"0.0;-0.0;'nil'", -0.05L, "-0.1"},
      // Surplus integer digits all come out at the first placeholder; 10^18 is too large.
      {"0", 999999999999999999.0L, "999999999999999999"},
      {"0", 1e18L, "1E18"},
      {"x0.0", 123456.75L, "x123456.8"},
      {".0", 123.45L, "123.5"},
      // An empty first section: general format unless a section of the value's own exists.
      {";(0)", 7, "7"},
      {";(0)", -7, "(7)"},
      {";(0)", 0, "0"},
      {"0;;", 0, "0"},
      // Grouping: "," anywhere in the section; code 0 writes no grouping character.
      {"0,", 1234, "1,234"},
      {"#,##0", 1234567, "1234567", '.', '\0'},
      {"#,##0.00", 1234567.891L, "1.234.567,89", ',', '.'},
      {"#,##0.00", 1234567.891L, "1 234 567,89", ',', ' '},
      {"", 0.5L, "0,5", ',', '.'},
      // Placeholders without digits: "0" between the first "0" and the point, or the point and
      // the last "0", shows "0"; "#" elsewhere shows nothing, and so does the point after it.
      {"#.00", 0.5L, ".50"},
      {"##0.#", 7, "7"},
      {"#0.0#0", 7.5L, "7.500"},
      {"0.##", 2.999L, "3"},
      {"0.00", 9.995L, "10.00"},
      {"0", 0.5L, "1"},
      {"0", -0.5L, "-1"},
      {"0.0.0", 1.25L, "1.25"},
      {"###", 0, ""},
      // Quotes: literal text, ";" and "E+" inside them are no syntax.
      {"\"Val: \"0.0", 3.25L, "Val: 3.3"},
      {"'E+'0", 5, "E+5"},
      {"'a;b'0;(0)", 5, "a;b5"},
      {"'a;b'0;(0)", -5, "(5)"},
      // An unclosed quote writes the rest of the whole mask; before the wanted ";" it makes
      // the search fall back to the first section.
      {"0'abc;x", 5, "5abc;x"},
      {"'abc;(0)", -5, "-abc;(0)"},
      // Scientific notation and ordinary "E" letters.
      {"0 Eur", 5, "5 Eur"},
      {"0.0e+0", 12345, "1.2e+4"},
      {"0.0E-0", 12345, "1.2E4"},
      {"0.0E-0", 0.012345L, "1.2E-2"},
      {"0E+000000", 5, "5E+0000"},
      {"##0.0E+0", 12345, "123.5E+2"},
      {"0.00E+00", -12345, "-1.23E+04"},
      {"0.00E+00", 1e4000L, "1.00E+4000"},
      // Values the mask cannot show fall back to the general format.
      {"0", kInf, "INF"},
      {"0", -kInf, "-INF"},
      {"0;(0)", std::numeric_limits<long double>::quiet_NaN(), "NAN"},
      {"0.00E+00", kInf, "INF"},
      // General format: 15 significant digits, plain from 10^-4 to below 10^15.
      {"", 999999999999999, "999999999999999"},
      {"", 1e15L, "1E15"},
      {"", 123456789012345678.0L, "1.23456789012346E17"},
      {"", -1.5L, "-1.5"},
      {"", 0.0001L, "0.0001"},
      {"", 1e300L, "1E300"},
      {"", 2.5e-300L, "2.5E-300"},
      // Output longer than 256 characters is written whole.
      {"," + std::string(223, '0'), 5, "0" + Repeat(",000", 73) + ",005"},
      {Repeat("E+", 112), 9e4000L, Repeat("E+4002", 112)},
      // A section without placeholders rounds 3E4000 to no digits; the zero section then
      // shows a zero, not four thousand of them.
      {"E+;;0", 3e4000L, "0"},
      {"E+;;0.0", 3e4000L, "0.0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("mask \"" + row.mask + "\" value " + std::to_string(static_cast<double>(row.value)));
    DecimalSeparator = row.decimal;
    ThousandsSeparator = row.thousands;
    if (row.expected == kTooLong) {
      try {
        FormatByMask(row.mask, row.value);
        ADD_FAILURE() << "no exception";
      } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Format string too long");
      }
    } else {
      EXPECT_EQ(FormatByMask(row.mask, row.value), row.expected);
    }
  }
  DecimalSeparator = '.';
  ThousandsSeparator = ',';
}

}  // namespace
}  // namespace kestrova
