#include "app/decimal_digits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace kestrova {
namespace {

// An x87 value from its raw fields, for encodings no arithmetic produces.
long double FromBits(std::uint64_t significand, std::uint16_t signExponent) {
  unsigned char raw[sizeof(long double)] = {};
  std::memcpy(raw, &significand, 8);
  std::memcpy(raw + 8, &signExponent, 2);
  long double value;
  std::memcpy(&value, raw, sizeof value);
  return value;
}

TEST(ToDecimalDigitsTest, Table) {
  using L = std::numeric_limits<long double>;
  struct Case {
    long double value;
    int precision, decimals;
    int exponent;
    bool negative;
    const char* digits;
  } cases[] = {
      {0.0L, 18, 0, 0, false, ""},
      {-0.0L, 18, 0, 0, false, ""},
      {L::denorm_min(), 18, kNoDecimalLimit, 0, false, ""},
      {L::infinity(), 18, 0, kInfinityExponent, false, ""},
      {-L::infinity(), 18, 0, kInfinityExponent, true, ""},
      {L::quiet_NaN(), 18, 0, kNotANumberExponent, false, ""},
      {-L::quiet_NaN(), 18, 0, kNotANumberExponent, false, ""},
      // All-ones exponent with the integer bit clear counts as an infinity.
      {FromBits(0x4000000000000000ull, 0xFFFF), 18, 0, kInfinityExponent, true, ""},
      // An unnormal (integer bit clear, ordinary exponent) has no number value.
      {FromBits(0x4000000000000000ull, 0x3FFF), 18, 0, kNotANumberExponent, false, ""},
      {40000, 18, 0, 5, false, "4"},
      {-20000.5L, 18, 0, 5, true, "20001"},
      {2.5L, 18, 0, 1, false, "3"},
      {0.125L, 18, 2, 0, false, "13"},
      {0.999L, 18, 2, 1, false, "1"},
      {12345, 3, kNoDecimalLimit, 5, false, "123"},
      {-0.00001L, 3, kNoDecimalLimit, -4, true, "1"},
      {999999999999999999.0L, 18, 0, 18, false, "999999999999999999"},
      {0.1L, 18, kNoDecimalLimit, 0, false, "1"},
      // Rounded to nothing: no digits, not negative; the exponent is kept when the rounding
      // position was reached, 0 when it lay beyond the first digit.
      {-0.004L, 18, 2, -2, false, ""},
      {0.001L, 18, 1, 0, false, ""},
      // Range ends and a value whose exponent estimate is one too high (2^-877: the first digit
      // must still be significant). The 18th digit follows the extended-precision scaling, which
      // may differ from the exact one, so these check 17 digits.
      {L::max(), 17, kNoDecimalLimit, 4933, false, "11897314953572318"},
      {L::min(), 17, kNoDecimalLimit, -4931, false, "33621031431120935"},
      {std::ldexp(1.0L, -877), 17, kNoDecimalLimit, -264, false, "99241610332960957"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<double>(c.value)));
    const TDecimalDigits d = ToDecimalDigits(c.value, c.precision, c.decimals);
    EXPECT_EQ(d.Exponent, c.exponent);
    EXPECT_EQ(d.Negative, c.negative);
    EXPECT_STREQ(d.Digits, c.digits);
  }
}

}  // namespace
}  // namespace kestrova
