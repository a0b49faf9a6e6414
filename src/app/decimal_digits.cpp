#include "app/decimal_digits.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kestrova {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the formatter works on the x87 80-bit extended format");

namespace {

constexpr std::uint64_t kTen17 = 100000000000000000ull;
constexpr std::uint64_t kTen18 = 1000000000000000000ull;
constexpr std::uint64_t kIntegerBit = 0x8000000000000000ull;
constexpr int kDigitPlaces = 18;

struct ExtendedBits {
  std::uint64_t significand;
  int biasedExponent;
  bool negative;
};

ExtendedBits BitsOf(long double value) {
  // Little-endian x87 layout: 8 bytes of significand, then sign and 15-bit exponent.
  unsigned char raw[sizeof(long double)];
  std::memcpy(raw, &value, sizeof raw);
  ExtendedBits bits;
  std::memcpy(&bits.significand, raw, 8);
  const int signExponent = raw[8] | (raw[9] << 8);
  bits.biasedExponent = signExponent & 0x7FFF;
  bits.negative = (signExponent & 0x8000) != 0;
  return bits;
}

TDecimalDigits NoDigits(int exponent, bool negative = false) {
  TDecimalDigits d;
  d.Exponent = static_cast<std::int16_t>(exponent);
  d.Negative = negative;
  return d;
}

// value * 10^power in extended precision, |power| < 8192: one multiplication or division by an
// exact power for |power| <= 27, and a few correctly rounded factors beyond. Every step moves
// towards the result, so nothing overflows or underflows on the way.
long double ScaleByPowerOfTen(long double value, int power) {
  // 10^0 .. 10^27 are exact in 64 significand bits; the compiler rounds the larger literals
  // correctly.
  static constexpr long double kSmall[32] = {
      1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L,
      1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L,
      1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L, 1e28L, 1e29L, 1e30L, 1e31L};
  static constexpr long double kLarge[] = {1e32L,  1e64L,   1e128L,  1e256L,
                                           1e512L, 1e1024L, 1e2048L, 1e4096L};
  const bool divide = power < 0;
  unsigned n = divide ? 0u - static_cast<unsigned>(power) : static_cast<unsigned>(power);
  auto apply = [&](long double factor) { value = divide ? value / factor : value * factor; };
  if ((n & 31) != 0) apply(kSmall[n & 31]);
  n >>= 5;
  for (long double factor : kLarge) {
    if (n == 0) break;
    if ((n & 1) != 0) apply(factor);
    n >>= 1;
  }
  return value;
}

// |value| * 10^(18 - exponent) rounded to an integer, ties to even (the FPU's default mode).
std::uint64_t ScaledDigits(long double magnitude, int exponent) {
  return static_cast<std::uint64_t>(std::llrint(ScaleByPowerOfTen(magnitude, kDigitPlaces - exponent)));
}

std::uint64_t DivideByTenTiesToEven(std::uint64_t s) {
  std::uint64_t q = s / 10;
  const std::uint64_t r = s % 10;
  if (r > 5 || (r == 5 && (q & 1) != 0)) ++q;
  return q;
}

}  // namespace

TDecimalDigits ToDecimalDigits(long double value, int precision, int decimals) {
  const ExtendedBits bits = BitsOf(value);
  if (bits.biasedExponent == 0) return NoDigits(0);  // zero of either sign, and denormals
  if (bits.biasedExponent == 0x7FFF) {
    if (bits.significand == kIntegerBit || (bits.significand & kIntegerBit) == 0)
      return NoDigits(kInfinityExponent, bits.negative);
    return NoDigits(kNotANumberExponent);
  }
  // An unnormal (integer bit clear) is an invalid operand to the FPU: it has no number value.
  if ((bits.significand & kIntegerBit) == 0) return NoDigits(kNotANumberExponent);

  // Decimal exponent estimate: 19728 / 65536 approximates log10 2 (arithmetic shift = floor).
  int exponent = (((bits.biasedExponent - 16383) * 19728) >> 16) + 1;
  const long double magnitude = std::fabs(value);
  std::uint64_t s = ScaledDigits(magnitude, exponent);
  // Close to the bottom of the range the estimate can be one too high, which would leave a
  // leading zero digit: scale once more so that the first digit is significant.
  if (s < kTen17) s = ScaledDigits(magnitude, --exponent);
  if (s >= kTen18) {
    s = DivideByTenTiesToEven(s);
    ++exponent;
  }

  char raw[kDigitPlaces];
  for (int i = kDigitPlaces - 1; i >= 0; --i) {
    raw[i] = static_cast<char>('0' + s % 10);
    s /= 10;
  }

  int count = exponent + decimals;
  if (count < 0) return NoDigits(0);
  count = std::min({count, precision, kDigitPlaces});

  TDecimalDigits d;
  int length;
  if (count < kDigitPlaces && raw[count] >= '5') {
    // Round half away from zero: nines that overflow are cut, the carry moves left.
    int i = count - 1;
    while (i >= 0 && raw[i] == '9') --i;
    if (i < 0) {
      raw[0] = '1';
      length = 1;
      ++exponent;
    } else {
      ++raw[i];
      length = i + 1;
    }
  } else {
    length = count;
    while (length > 0 && raw[length - 1] == '0') --length;
    if (length == 0) return NoDigits(exponent);
  }
  std::memcpy(d.Digits, raw, static_cast<std::size_t>(length));
  d.Digits[length] = '\0';
  d.Exponent = static_cast<std::int16_t>(exponent);
  d.Negative = bits.negative;
  return d;
}

}  // namespace kestrova
