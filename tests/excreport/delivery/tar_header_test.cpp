#include "excreport/delivery/tar_header.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace kestrova {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::system_clock;

std::string Field(const TarBlock& header, std::size_t offset, std::size_t length) {
  return std::string(header.begin() + static_cast<std::ptrdiff_t>(offset),
                     header.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

system_clock::time_point At(long long secondsSince1970) {
  return system_clock::time_point(seconds(secondsSince1970));
}

TEST(TarNumberFormsTest, LeadingZerosBecomeBlanksButTheLastDigitStays) {
  struct Case {
    std::uint64_t value;
    std::string longForm, shortForm;
  } cases[] = {
      {0, "          0 ", std::string("     0 \0", 8)},
      {7, "          7 ", std::string("     7 \0", 8)},
      {8, "         10 ", std::string("    10 \0", 8)},
      {1000, "       1750 ", std::string("  1750 \0", 8)},
      {0777777, "     777777 ", std::string("777777 \0", 8)},
      {1709296496, "14570345560 ", ""},
      {kTarLongNumberMax, "77777777777 ", ""},
  };
  for (const Case& c : cases) {
    const auto longForm = TarLongNumber(c.value);
    EXPECT_EQ(std::string(longForm.begin(), longForm.end()), c.longForm) << c.value;
    if (c.shortForm.empty()) continue;
    const auto shortForm = TarShortNumber(static_cast<std::uint32_t>(c.value));
    EXPECT_EQ(std::string(shortForm.begin(), shortForm.end()), c.shortForm) << c.value;
  }
  EXPECT_THROW(TarLongNumber(kTarLongNumberMax + 1), std::out_of_range);
  EXPECT_THROW(TarShortNumber(kTarShortNumberMax + 1), std::out_of_range);
}

TEST(TarHeaderTest, LaysOutEveryFieldAndLeavesTheRestZero) {
  const TarBlock header = BuildTarHeader({"Report.qmf", 1000, At(1709296496) + milliseconds(900)});
  EXPECT_EQ(Field(header, 0, 11), std::string("Report.qmf\0", 11));
  EXPECT_EQ(Field(header, 100, 8), std::string("   644 \0", 8));  // mode
  EXPECT_EQ(Field(header, 108, 8), std::string("     0 \0", 8));  // owner
  EXPECT_EQ(Field(header, 116, 8), std::string("     0 \0", 8));  // group
  EXPECT_EQ(Field(header, 124, 12), "       1750 ");
  EXPECT_EQ(Field(header, 136, 12), "14570345560 ");  // fraction of a second dropped
  EXPECT_EQ(header[156], '0');
  EXPECT_EQ(Field(header, 257, 8), "ustar   ");
  for (std::size_t i = 11; i < 100; ++i) EXPECT_EQ(header[i], 0) << i;
  for (std::size_t i = 157; i < 257; ++i) EXPECT_EQ(header[i], 0) << i;
  for (std::size_t i = 265; i < 512; ++i) EXPECT_EQ(header[i], 0) << i;

  // A reader's check: the checksum field counts as eight blanks, the rest byte by byte.
  unsigned expected = 8 * ' ';
  for (std::size_t i = 0; i < 512; ++i) {
    if (i < 148 || i >= 156) expected += header[i];
  }
  EXPECT_EQ(Field(header, 148, 8), std::string(TarShortNumber(expected).data(), 8));
  EXPECT_EQ(header[154], ' ');
  EXPECT_EQ(header[155], 0);
}

TEST(TarHeaderTest, NamesAreCutToTheFieldWithoutSplittingACharacter) {
  const std::string hundred(100, 'n');
  struct Case {
    std::string name, stored;
  } cases[] = {
      {"", ""},
      {hundred, hundred},
      {hundred + "tail.txt", hundred},
      {std::string(99, 'a') + "\xC3\xA9", std::string(99, 'a')},           // 2-byte é at 99
      {std::string(98, 'a') + "\xE2\x82\xAC", std::string(98, 'a')},       // 3-byte € at 98
      {std::string(97, 'a') + "\xE2\x82\xAC", std::string(97, 'a') + "\xE2\x82\xAC"},
      {std::string(96, 'a') + std::string(8, '\x80'), std::string(96, 'a') + "\x80\x80\x80\x80"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TarEntryName(c.name), c.stored) << c.name;
    const TarBlock header = BuildTarHeader({c.name, 0, At(0)});
    EXPECT_EQ(Field(header, 0, c.stored.size()), c.stored);
    if (c.stored.size() < 100) {
      EXPECT_EQ(header[c.stored.size()], 0);
    }
  }
  // A name of exactly 100 bytes runs straight into the mode field.
  EXPECT_EQ(BuildTarHeader({hundred, 0, At(0)})[100], ' ');
}

TEST(TarHeaderTest, TimesOutsideTheFieldStayInTheLongForm) {
  EXPECT_EQ(TarTimeField(At(0)), 0u);
  EXPECT_EQ(TarTimeField(At(-1)), 0u);
  EXPECT_EQ(TarTimeField(At(-2209161600)), 0u);  // 1899-12-30, a date-time value of 0
  EXPECT_EQ(TarTimeField(At(1) - milliseconds(1)), 0u);
  EXPECT_EQ(TarTimeField(At(9000000000)), kTarLongNumberMax);  // year 2255
  EXPECT_EQ(Field(BuildTarHeader({"old", 0, At(-86400)}), 136, 12), "          0 ");
}

TEST(TarHeaderTest, SizeBeyondTheLongFormIsRefused) {
  EXPECT_NO_THROW(BuildTarHeader({"big", kTarLongNumberMax, At(0)}));
  EXPECT_THROW(BuildTarHeader({"big", kTarLongNumberMax + 1, At(0)}), std::length_error);
}

}  // namespace
}  // namespace kestrova
