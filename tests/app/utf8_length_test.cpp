#include "app/utf8_length.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrova {
namespace {

TEST(Utf8LengthTest, CountsCharactersAndEachStrayByte) {
  const struct {
    std::string text;
    std::size_t length;
  } cases[] = {
      {"", 0},
      {"_000000_", 8},
      {"\u00e9\u00e9", 2},  // 2-byte sequences
      {"\u20ac0", 2},       // 3-byte sequence and an ASCII byte
      {"\U0001F600#", 2},   // 4-byte sequence
      {"\x80\x80\x80", 3},  // continuation bytes without a lead
      {"\xc3", 1},          // a lead cut off by the end
      {"\xe2\x82"
       "0",
       3},                          // a lead cut short: both bytes stray, then "0"
      {"\xc0\xaf", 2},              // a lead that cannot start a sequence
      {"\xf8\x80\x80\x80\x80", 5},  // no 5-byte sequences
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(Utf8Length(c.text), c.length);
  }
}

}  // namespace
}  // namespace kestrova
