#include "app/text_to_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "app/convert_error.h"
#include "app/format_separators.h"

namespace kestrova {
namespace {

class TextToNumberTest : public ::testing::Test {
 protected:
  void TearDown() override { DecimalSeparator = '.'; }
};

TEST_F(TextToNumberTest, TextToExtendedTable) {
  struct Case {
    char separator;
    const char* text;
    std::optional<long double> value;  // nullopt: EConvertError
  } cases[] = {
      {'.', "40000", 40000},
      {'.', "  40000.5  ", 40000.5L},
      {'.', "+1.5", 1.5L},
      {'.', "-2.25", -2.25L},
      {'.', ".5", 0.5L},
      {'.', "5.", 5},
      {'.', ".", 0},
      {'.', "0.1", 0.1L},
      {'.', "1E3", 1000},
      {'.', "1e-3", 0.001L},
      {'.', "2.5E+4000", 2.5e4000L},
      {'.', "1E", 1},
      {'.', ".E5", 0},
      {'.', "12345678901234567890123", 12345678901234567890123.0L},
      {'.', "0E4999", 0},
      {'.', "1E-4999", 0},
      {'.', "00012.50", 12.5L},
      // Errors: nothing numeric, left-over characters, other blanks, overflow.
      {'.', "", std::nullopt},
      {'.', "   ", std::nullopt},
      {'.', "+", std::nullopt},
      {'.', "-", std::nullopt},
      {'.', "E5", std::nullopt},
      {'.', "--1", std::nullopt},
      {'.', "1.5.2", std::nullopt},
      {'.', "1 5", std::nullopt},
      {'.', "\t1", std::nullopt},
      {'.', "1\t", std::nullopt},
      {'.', "0x10", std::nullopt},
      {'.', "1,5", std::nullopt},
      {'.', "1e5x", std::nullopt},
      {'.', "inf", std::nullopt},
      {'.', "nan", std::nullopt},
      {'.', "1E4999", std::nullopt},
      {'.', "-1E4933", std::nullopt},
      // Exponent digits stop at 500: the next digit is left over.
      {'.', "1E5000", std::nullopt},
      {'.', "1E-5000", std::nullopt},
      // A comma locale: the full stop is no decimal point.
      {',', "40000,5", 40000.5L},
      {',', "40000.5", std::nullopt},
      {',', ",25", 0.25L},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("text '") + c.text + "' separator " + c.separator);
    DecimalSeparator = c.separator;
    if (c.value) {
      EXPECT_EQ(TextToExtended(c.text), *c.value);
    } else {
      try {
        TextToExtended(c.text);
        ADD_FAILURE() << "no exception";
      } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()), std::string("'") + c.text + "' is not a valid floating point value");
      }
    }
  }
}

TEST_F(TextToNumberTest, TextToExtendedKeepsTheSignOfZero) {
  EXPECT_TRUE(std::signbit(TextToExtended("-0")));
  EXPECT_TRUE(std::signbit(TextToExtended("-.")));
  EXPECT_FALSE(std::signbit(TextToExtended("0")));
}

TEST_F(TextToNumberTest, TextToInt32Table) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  } cases[] = {
      {"20000", 20000},
      {" 20000", 20000},
      {"+5", 5},
      {"-0", 0},
      {"00000000000012", 12},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"$5014", 20500},
      {"x10", 16},
      {"X10", 16},
      {"0x10", 16},
      {"0X1f", 31},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"-$FFFFFFFF", 1},
      {"$80000000", -2147483647 - 1},
      {"-$80000000", -2147483647 - 1},
      {"$000000001", 1},
      {"20000 ", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"+-5", std::nullopt},
      {"- 5", std::nullopt},
      {"5a", std::nullopt},
      {"1.0", std::nullopt},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"$G", std::nullopt},
      {"$100000000", std::nullopt},
      {"$1 ", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("text '") + c.text + "'");
    if (c.value) {
      EXPECT_EQ(TextToInt32(c.text), *c.value);
    } else {
      try {
        TextToInt32(c.text);
        ADD_FAILURE() << "no exception";
      } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()), std::string("'") + c.text + "' is not a valid integer value");
      }
    }
  }
}

}  // namespace
}  // namespace kestrova
