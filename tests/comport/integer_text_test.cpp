// The one integer conversion of port names and settings texts, and its two users agreeing on it.
#include "comport/integer_text.h"
#include "comport/port_name.h"
#include "comport/settings_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrova {
namespace {

struct Case {
  const char* text;
  std::optional<std::int32_t> value;
};

constexpr std::optional<std::int32_t> kFails = std::nullopt;

const Case kCases[] = {
    {"0", 0},
    {"7", 7},
    {"+2", 2},
    {"  12", 12},
    {"-3", -3},
    {"0000000000000000000004", 4},
    {"2147483647", INT32_MAX},
    {"-2147483648", INT32_MIN},
    {"$A", 10},
    {"x10", 16},
    {"X10", 16},
    {"0x0F", 15},
    {"0X3", 3},
    {"$fF", 255},
    {"$7FFFFFFF", INT32_MAX},
    // Hexadecimal numbers are 32-bit patterns, negated in 32 bits.
    {"$FFFFFFFF", -1},
    {"$FFFFFFFE", -2},
    {"$80000000", INT32_MIN},
    {"-$80000000", INT32_MIN},
    {"-$FFFFFFFF", 1},
    {"-$FFFFFFFE", 2},
    {"$00000000FFFFFFFF", -1},
    {"", kFails},
    {" ", kFails},
    {"-", kFails},
    {"--2", kFails},
    {"$", kFails},
    {"0x", kFails},
    {"2147483648", kFails},
    {"-2147483649", kFails},
    {"4294967298", kFails},
    {"$100000000", kFails},
    {"12 ", kFails},
    {"1.5", kFails},
    {"$G", kFails},
    {"12a", kFails},
    {"\t2", kFails},
    {"6 5", kFails},
};

TEST(ParseInt32Test, DecimalAndHexadecimalTexts) {
  for (const Case& c : kCases) EXPECT_EQ(ParseInt32(c.text), c.value) << '"' << c.text << '"';
}

// Port names and character texts read the number part alike, so a stored "#$FFFFFFFF" and a
// port "COM-$FFFFFFFE" mean what the same number means everywhere else.
TEST(ParseInt32Test, PortNamesAndCharacterTextsReadNumbersAlike) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    const std::int32_t port = c.value && *c.value >= 1 && *c.value <= 16 ? *c.value : 1;
    EXPECT_EQ(NormalizePortName(std::string("COM") + c.text), "COM" + std::to_string(port));
    if (*c.text != '\0') {
      const int code = c.value ? static_cast<int>(static_cast<std::uint32_t>(*c.value) & 0xFF) : 0;
      EXPECT_EQ(static_cast<unsigned char>(SettingTextToChar(std::string("#") + c.text)), code);
    }
  }
}

}  // namespace
}  // namespace kestrova
