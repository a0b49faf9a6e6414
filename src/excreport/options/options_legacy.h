// Conversions of the report options stored by format versions before 500.
#pragma once

#include <cstdint>

namespace kestrova {

// The format version from which text `index` (0 to 95) is stored; earlier ones keep the default.
int FirstVersionStoringText(int index);

// The 32 report-line flags of versions before 500 mapped onto today's 40.
std::uint64_t ConvertLegacyReportItems(std::uint32_t oldItems);

// Versions before 450 stored only "send by e-mail"; the method follows from the mail server.
std::uint8_t ConvertLegacyMailMode(std::uint8_t oldMode, bool mailServerSet);

// Sets or clears one bit of a flag set.
template <class T>
void PutFlag(T& flags, int bit, bool on) {
  flags = static_cast<T>(on ? (flags | (T{1} << bit)) : (flags & ~(T{1} << bit)));
}

}  // namespace kestrova
