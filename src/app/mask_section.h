// Sections of a format mask and what a scan of one section finds (the formatter's first pass).
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kestrova {

// The section kinds, in their order in the mask.
enum MaskSectionKind : int { mskPositive = 0, mskNegative = 1, mskZero = 2 };

// Position of the quote that closes the one at `open` (the same character), or npos.
std::size_t ClosingQuote(std::string_view mask, std::size_t open);

// Start of the section of the given kind. Falls back to the start of the mask when the mask has
// fewer ";" (outside quotes), when the section found is empty, or when a quote before it is not
// closed. Empty (nullopt) when the section finally chosen is the first one and it is empty.
std::optional<std::size_t> FindSection(std::string_view mask, MaskSectionKind kind);

// Counts gathered from one section; counts are in digit placeholders ("0" and "#").
struct SectionLayout {
  int DigitCount = 0;
  int FirstZero = 32767;     // placeholders before the first "0"
  int LastZeroEnd = 0;       // placeholders up to and including the last "0"
  int DecimalIndex = 0;      // placeholders before the first "."
  bool Thousands = false;    // the section has a ","
  bool Scientific = false;   // the section has "E+", "E-", "e+" or "e-"

  // Leading integer places up to this one show "0" when the number has no digit there.
  int LeadLimit() const { return DecimalIndex - FirstZero > 0 ? DecimalIndex - FirstZero : 0; }
  // Fractional places above this one show "0" when the number has no digit there.
  int TrailLimit() const { return DecimalIndex - LastZeroEnd < 0 ? DecimalIndex - LastZeroEnd : 0; }
};

// Scans the section that starts at `start` up to its ";" or the end of the mask.
SectionLayout ScanSection(std::string_view mask, std::size_t start);

}  // namespace kestrova
