#include "excreport/report/report_formats.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kestrova {
namespace {

constexpr std::array<const char*, 7> kDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::int64_t kSecondsPerDay = 86400;
// Days from 1899-12-30 to 1970-01-01.
constexpr double kUnixEpochDays = 25569.0;

std::string CountedUnit(std::uint64_t count, const char* unit) {
  return std::to_string(count) + " " + unit + (count > 1 ? "s" : "");
}

}  // namespace

std::string FormatReportDate(const ReportTime& time) {
  using namespace std::chrono;
  const std::int64_t local = time.UnixSeconds + time.UtcOffsetSeconds;
  std::int64_t days = local / kSecondsPerDay;
  std::int64_t secondsOfDay = local % kSecondsPerDay;
  if (secondsOfDay < 0) {
    secondsOfDay += kSecondsPerDay;
    --days;
  }
  const sys_days day{std::chrono::days{days}};
  const year_month_day date{day};
  const weekday dayOfWeek{day};
  const int offsetHours = time.UtcOffsetSeconds / 3600;
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%s, %u %s %d %02d:%02d:%02d %c%02d00", kDayNames[dayOfWeek.c_encoding()],
                static_cast<unsigned>(date.day()), kMonthNames[static_cast<unsigned>(date.month()) - 1],
                static_cast<int>(date.year()), static_cast<int>(secondsOfDay / 3600),
                static_cast<int>(secondsOfDay / 60 % 60), static_cast<int>(secondsOfDay % 60),
                offsetHours < 0 ? '-' : '+', std::abs(offsetHours));
  return buffer;
}

ReportTime BuildDateTime(double days, std::int32_t utcOffsetSeconds) {
  const auto unix = static_cast<std::int64_t>(std::llround((days - kUnixEpochDays) * kSecondsPerDay));
  return ReportTime{unix, utcOffsetSeconds / 3600 * 3600};
}

std::string FormatUpTime(std::uint64_t milliseconds) {
  std::uint64_t seconds = milliseconds / 1000;
  const std::uint64_t days = seconds / kSecondsPerDay;
  const std::uint64_t hours = seconds / 3600 % 24;
  const std::uint64_t minutes = seconds / 60 % 60;
  seconds %= 60;
  std::string text;
  if (days != 0) text += CountedUnit(days, "day") + ", ";
  if (hours != 0) text += CountedUnit(hours, "hour") + ", ";
  return text + CountedUnit(minutes, "minute") + ", " + CountedUnit(seconds, "second");
}

std::string FormatHex8(std::uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%08llX", static_cast<unsigned long long>(value));
  return buffer;
}

std::string FormatMegabytes(std::uint64_t bytes) {
  const std::uint64_t mebibyte = 1024 * 1024;
  return std::to_string((bytes + mebibyte / 2) / mebibyte) + " Mb";
}

std::string FormatKilobytes(std::uint64_t bytes) { return std::to_string(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0)) + " Kb"; }

std::string FormatGigabytes(std::uint64_t bytes) {
  const double gibibytes = static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0);
  const auto hundredths = static_cast<std::uint64_t>(std::llround(gibibytes * 100.0));
  std::string text = std::to_string(hundredths / 100);
  const std::uint64_t fraction = hundredths % 100;
  if (fraction != 0) {
    text += '.';
    text += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
  }
  return text + " Gb";
}

std::string PadIpAddress(std::string_view address) {
  static const std::string kMissing = "000.000.000.000";
  std::array<unsigned, 4> parts{};
  std::size_t part = 0;
  std::size_t digits = 0;
  for (char c : address) {
    if (c >= '0' && c <= '9') {
      parts[part] = parts[part] * 10 + static_cast<unsigned>(c - '0');
      if (++digits > 3 || parts[part] > 255) return kMissing;
    } else if (c == '.' && digits != 0 && part < 3) {
      ++part;
      digits = 0;
    } else {
      return kMissing;
    }
  }
  if (part != 3 || digits == 0) return kMissing;
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%03u.%03u.%03u.%03u", parts[0], parts[1], parts[2], parts[3]);
  return buffer;
}

std::string QuoteParameters(const std::vector<std::string>& parameters) {
  std::string text;
  for (const std::string& parameter : parameters) {
    if (!text.empty()) text += ' ';
    text += '"' + parameter + '"';
  }
  return text;
}

std::string FileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace kestrova
