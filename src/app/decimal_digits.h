// TDecimalDigits and ToDecimalDigits: the decimal digits of an extended-precision number, shared
// by the mask formatter and the general format.
#pragma once

#include <cstdint>

namespace kestrova {

// Exponent values that mark a value without digits of its own.
constexpr std::int16_t kInfinityExponent = 32767;
constexpr std::int16_t kNotANumberExponent = -32768;
// The decimal count that stands for "no limit after the decimal point".
constexpr int kNoDecimalLimit = 9999;

struct TDecimalDigits {
  // The value is 0.d1d2d3... * 10^Exponent.
  std::int16_t Exponent = 0;
  // The value is below zero; false when Digits is empty and for a value that is not a number.
  bool Negative = false;
  // The significant digits, at most 18, without trailing zeros, zero-terminated; empty when
  // the value is zero or rounds to zero.
  char Digits[19] = {};
};

// Rounds the value (x87 80-bit extended precision) to at most `precision` significant digits
// and at most `decimals` digits after the decimal point, half away from zero on its 18-digit
// decimal form. Zero and denormals give no digits; infinities and values that are not numbers
// give kInfinityExponent / kNotANumberExponent.
TDecimalDigits ToDecimalDigits(long double value, int precision, int decimals);

}  // namespace kestrova
