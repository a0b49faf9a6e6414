// RfcDate: the date text of the report e-mail's "Date: " header.
#pragma once

#include <ctime>
#include <string>

namespace kestrova {

// "Sun, 5 Jan 2025 07:03:09 +0100": English day and month abbreviations, the day without
// padding, the time in two-digit fields and the zone: the local time's offset from universal
// time as a sign, two digits of hours and two of minutes ("+0530"). Reads tm_wday, tm_mday,
// tm_mon, tm_year and the time.
std::string RfcDate(const std::tm& local, long utcOffsetSeconds);

}  // namespace kestrova
