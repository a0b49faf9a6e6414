// The e-mail date text; pure.
#include "excreport/delivery/rfc_date.h"

#include <cstdio>
#include <cstdlib>

namespace kestrova {

std::string RfcDate(const std::tm& local, long utcOffsetSeconds) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // The whole offset, minutes included: a zone such as +0530 must not move the time.
  const long minutes = std::labs(utcOffsetSeconds) / 60;
  char zone[8];
  std::snprintf(zone, sizeof zone, "%c%02ld%02ld", utcOffsetSeconds < 0 ? '-' : '+',
                minutes / 60 % 100, minutes % 60);
  char text[96];
  std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %s", kDays[local.tm_wday % 7],
                local.tm_mday, kMonths[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour,
                local.tm_min, local.tm_sec, zone);
  return text;
}

}  // namespace kestrova
