// The reading formatter and the text-to-number conversions: every 80-bit pattern, every
// separator pair and any mask or edit-box text.
//
// Input: 10 bytes of the value's pattern, the decimal and the thousands separator, then the
// text (used as the mask and as the edit-box text).
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <string>

#include "app/convert_error.h"
#include "app/format_by_mask.h"
#include "app/format_separators.h"
#include "app/text_to_number.h"
#include "fuzz_check.h"

namespace kestrova {
namespace {

long double ValueFromPattern(FuzzedDataProvider& input) {
  unsigned char pattern[10] = {};
  input.ConsumeData(pattern, sizeof pattern);
  long double value = 0;
  std::memcpy(&value, pattern, sizeof pattern);
  return value;
}

bool IsFinite80(long double value) { return value - value == 0; }

// The longest text a mask can give (see the formatter's output area): 3 characters per mask
// byte, 19 surplus integer digits with their separators, and the sign.
std::size_t OutputBound(std::size_t maskLength) { return 3 * maskLength + 2 * 19 + 1; }

void CheckFormatByMask(const std::string& mask, long double value) {
  try {
    const std::string text = FormatByMask(mask, value);
    FuzzCheck(text.size() <= OutputBound(mask.size()), "FormatByMask output within its bound");
  } catch (const EConvertError&) {
    FuzzCheck(mask.size() > kMaxMaskLength, "FormatByMask raises only for an over-long mask");
  }
}

// The general format holds digits, the separator, "-", "E", or is one of the three names; a
// finite value reads back within the 15 digits it was written with (when the separator cannot
// be mistaken for part of a number).
void CheckFormatGeneral(long double value) {
  const std::string text = FormatGeneral(value);
  FuzzCheck(text.size() <= 23, "FormatGeneral at most 23 characters");
  if (text == "INF" || text == "-INF" || text == "NAN") {
    FuzzCheck(!IsFinite80(value), "FormatGeneral names only values without digits");
    return;
  }
  for (char c : text)
    FuzzCheck((c >= '0' && c <= '9') || c == '-' || c == 'E' || c == DecimalSeparator,
              "FormatGeneral writes digits, '-', 'E' and the separator only");
  const char separator = DecimalSeparator;
  if (std::strchr("0123456789+-eE ", separator) != nullptr || separator == '\0') return;
  long double back = 0;
  try {
    back = TextToExtended(text);
  } catch (const EConvertError&) {
    // 15 digits of the largest values round up beyond the extended range.
    FuzzCheck(std::fabs(value) > 1e4931L, "FormatGeneral text reads back");
    return;
  }
  const long double error = std::fabs(back - value);
  FuzzCheck(error <= std::fabs(value) * 1e-14L || std::fabs(value) < 1e-4920L,
            "FormatGeneral text reads back within 15 digits");
}

void CheckConversions(const std::string& text) {
  try {
    TextToExtended(text);
  } catch (const EConvertError&) {
  }
  try {
    TextToInt32(text);
  } catch (const EConvertError&) {
  }
}

}  // namespace
}  // namespace kestrova

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrova;
  FuzzedDataProvider input(data, size);
  const long double value = ValueFromPattern(input);
  DecimalSeparator = input.ConsumeIntegral<char>();
  ThousandsSeparator = input.ConsumeIntegral<char>();
  const std::string text = input.ConsumeRemainingBytesAsString();
  CheckFormatByMask(text, value);
  CheckFormatGeneral(value);
  CheckConversions(text);
  return 0;
}
