#include "excreport/report/report_formats.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(ReportFormatsTest, DatesCarryTheOffsetInWholeHoursWithSignAndPadding) {
  struct Case {
    ReportTime time;
    const char* text;
  } cases[] = {
      {{0, 0}, "Thu, 1 Jan 1970 00:00:00 +0000"},
      {{1740989107, 3600}, "Mon, 3 Mar 2025 09:05:07 +0100"},
      {{1740989107, -5 * 3600}, "Mon, 3 Mar 2025 03:05:07 -0500"},
      {{1740989107, 11 * 3600}, "Mon, 3 Mar 2025 19:05:07 +1100"},
      // Half-hour zones show their whole hours only.
      {{1740989107, 5 * 3600 + 1800}, "Mon, 3 Mar 2025 13:35:07 +0500"},
      {{1740989107, -(3 * 3600 + 1800)}, "Mon, 3 Mar 2025 04:35:07 -0300"},
      // The local day may differ from the UTC day.
      {{1740960000, -3600}, "Sun, 2 Mar 2025 23:00:00 -0100"},
      {{951782400, 0}, "Tue, 29 Feb 2000 00:00:00 +0000"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatReportDate(c.time), c.text);
}

TEST(ReportFormatsTest, BuildDateCountsDaysFrom1899AndShowsLocalWholeHours) {
  // 45716.5 = 2025-02-28 12:00 UTC.
  EXPECT_EQ(FormatReportDate(BuildDateTime(45716.5, 2 * 3600 + 1800)), "Fri, 28 Feb 2025 14:00:00 +0200");
}

TEST(ReportFormatsTest, UpTimePhrasing) {
  struct Case {
    std::uint64_t ms;
    const char* text;
  } cases[] = {
      {0, "0 minute, 0 second"},
      {1999, "0 minute, 1 second"},
      {62000, "1 minute, 2 seconds"},
      {3600000, "1 hour, 0 minute, 0 second"},
      {(2 * 3600 + 2 * 60 + 2) * 1000, "2 hours, 2 minutes, 2 seconds"},
      {86400000, "1 day, 0 minute, 0 second"},
      {(3 * 86400 + 5 * 3600 + 59 * 60 + 59) * 1000ull, "3 days, 5 hours, 59 minutes, 59 seconds"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatUpTime(c.ms), c.text) << c.ms;
}

TEST(ReportFormatsTest, IpAddressesArePaddedAndBadOnesShowZeros) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"192.168.1.10", "192.168.001.010"}, {"0.0.0.0", "000.000.000.000"},     {"255.255.255.255", "255.255.255.255"},
      {"", "000.000.000.000"},             {"1.2.3", "000.000.000.000"},       {"1.2.3.4.5", "000.000.000.000"},
      {"1.2.3.256", "000.000.000.000"},    {"fe80::1", "000.000.000.000"},     {"1..2.3", "000.000.000.000"},
  };
  for (const Case& c : cases) EXPECT_EQ(PadIpAddress(c.in), c.out) << c.in;
}

TEST(ReportFormatsTest, SizesAndHex) {
  EXPECT_EQ(FormatMegabytes(0), "0 Mb");
  EXPECT_EQ(FormatMegabytes(1024 * 1024 + 512 * 1024), "2 Mb");  // rounded
  EXPECT_EQ(FormatMegabytes(1024 * 1024 + 512 * 1024 - 1), "1 Mb");
  EXPECT_EQ(FormatGigabytes(0), "0 Gb");
  EXPECT_EQ(FormatGigabytes(3ull << 29), "1.5 Gb");
  EXPECT_EQ(FormatGigabytes((1ull << 30) / 100 * 101 + 50), "1.01 Gb");
  EXPECT_EQ(FormatGigabytes((1ull << 30) * 999 / 1000), "1 Gb");  // 0.999 rounds up, no decimals
  EXPECT_EQ(FormatHex8(0x1A2C), "00001A2C");
  EXPECT_EQ(FormatHex8(0x7F3A12345678), "7F3A12345678");
  EXPECT_EQ(QuoteParameters({"a", "b c", ""}), "\"a\" \"b c\" \"\"");
}

}  // namespace
}  // namespace kestrova
