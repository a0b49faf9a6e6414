// Text forms of the values in a report: dates, up time, sizes, addresses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "excreport/report/report_data.h"

namespace kestrova {

// "Mon, 3 Mar 2025 09:05:07 +0100": local date and time, then the offset in whole hours.
std::string FormatReportDate(const ReportTime& time);
// A build date counted in days from 1899-12-30 (UTC), shown with the given local offset cut to
// whole hours.
ReportTime BuildDateTime(double days, std::int32_t utcOffsetSeconds);

// "2 days, 1 hour, 0 minute, 5 seconds": days and hours only when not zero.
std::string FormatUpTime(std::uint64_t milliseconds);

// At least 8 upper-case hexadecimal digits; wider addresses keep all their digits.
std::string FormatHex8(std::uint64_t value);
// Mebibytes rounded, + " Mb".
std::string FormatMegabytes(std::uint64_t bytes);
// Kibibytes rounded up, + " Kb".
std::string FormatKilobytes(std::uint64_t bytes);
// Gibibytes with at most two decimals, trailing zeros dropped, + " Gb".
std::string FormatGigabytes(std::uint64_t bytes);

// Every part of a dotted IPv4 address padded to 3 digits; anything else is "000.000.000.000".
std::string PadIpAddress(std::string_view address);

// Each parameter in double quotes, separated by a space.
std::string QuoteParameters(const std::vector<std::string>& parameters);

// The last component of a path.
std::string FileNameOf(std::string_view path);

}  // namespace kestrova
