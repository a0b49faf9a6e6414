// The e-mail date text; pure.
#include "excreport/delivery/rfc_date.h"

#include <cmath>
#include <cstdio>

namespace kestrova {

std::string RfcDate(const std::tm& local, long utcOffsetSeconds) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // nearbyint rounds halves to even in the default rounding mode.
  const long hours = std::lround(std::nearbyint(static_cast<double>(utcOffsetSeconds) / 3600.0));
  std::string zone = std::to_string(hours);
  if (hours >= 0) zone.insert(0, "+");
  if (zone.size() == 2) zone.insert(1, "0");
  zone += "00";
  char text[96];
  std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %s", kDays[local.tm_wday % 7],
                local.tm_mday, kMonths[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour,
                local.tm_min, local.tm_sec, zone.c_str());
  return text;
}

}  // namespace kestrova
