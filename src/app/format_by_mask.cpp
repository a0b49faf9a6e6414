#include "app/format_by_mask.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "app/convert_error.h"
#include "app/decimal_digits.h"
#include "app/format_separators.h"
#include "app/mask_section.h"
#include "app/utf8_length.h"

namespace kestrova {
namespace {

// The output area. The text is never cut: it may be longer than 256 characters, and the area is
// sized for the longest text a mask of kMaxMaskLength characters can produce. An ASCII mask
// character gives at most 3 bytes (a placeholder writes a digit and a separator; "E+" writes
// the letter, a sign and at most 4 exponent digits); any other character, at most 4 bytes of
// UTF-8, is copied as it is. Add up to 19 surplus integer digits with their separators at the
// first placeholder, and the leading "-".
constexpr std::size_t kOutputCapacity = 4 * kMaxMaskLength + 2 * 19 + 1;

class OutputArea final {
 public:
  void Put(char c) {
    assert(size_ < kOutputCapacity);
    text_[size_++] = c;
  }
  void Put(std::string_view s) {
    assert(size_ + s.size() <= kOutputCapacity);
    std::copy(s.begin(), s.end(), text_ + size_);
    size_ += s.size();
  }
  // Writes n in decimal with at least `width` digits.
  void PutNumber(unsigned n, int width) {
    char digits[12];
    int count = 0;
    do {
      digits[count++] = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n != 0 || count < width);
    while (count > 0) Put(digits[--count]);
  }
  std::string Text() const { return std::string(text_, size_); }

 private:
  char text_[kOutputCapacity];
  std::size_t size_ = 0;
};

std::string General(long double value, char decimalSeparator) {
  const TDecimalDigits d = ToDecimalDigits(value, 15, kNoDecimalLimit);
  if (d.Exponent == kInfinityExponent) return d.Negative ? "-INF" : "INF";
  if (d.Exponent == kNotANumberExponent) return "NAN";
  OutputArea out;
  if (d.Negative) out.Put('-');
  const std::string_view digits(d.Digits);
  const int e = d.Exponent;
  if (e > 15 || e < -3) {
    out.Put(digits.front());
    if (digits.size() > 1) {
      out.Put(decimalSeparator);
      out.Put(digits.substr(1));
    }
    out.Put('E');
    if (e - 1 < 0) out.Put('-');
    out.PutNumber(static_cast<unsigned>(std::abs(e - 1)), 1);
  } else if (e <= 0) {
    out.Put('0');
    if (!digits.empty()) {
      out.Put(decimalSeparator);
      for (int i = 0; i < -e; ++i) out.Put('0');
      out.Put(digits);
    }
  } else {
    const std::size_t integerDigits = static_cast<std::size_t>(e);
    out.Put(digits.substr(0, std::min(integerDigits, digits.size())));
    for (std::size_t i = digits.size(); i < integerDigits; ++i) out.Put('0');
    if (digits.size() > integerDigits) {
      out.Put(decimalSeparator);
      out.Put(digits.substr(integerDigits));
    }
  }
  return out.Text();
}

// The output pass over one section. Place numbers the digit positions (1 units, 2 tens, 0 the
// first fractional digit, -1 the second); Delta is how many more integer digits the number has
// than the mask has integer placeholders.
class SectionWriter final {
 public:
  SectionWriter(std::string_view mask, const SectionLayout& layout, const TDecimalDigits& d,
                char decimalSeparator, char thousandsSeparator)
      : mask_(mask),
        layout_(layout),
        d_(d),
        next_(d.Digits),
        decimalSeparator_(decimalSeparator),
        thousandsSeparator_(thousandsSeparator),
        leadLimit_(layout.LeadLimit()),
        trailLimit_(layout.TrailLimit()),
        place_(layout.Scientific ? layout.DecimalIndex : std::max<int>(d.Exponent, layout.DecimalIndex)),
        delta_(layout.Scientific ? 0 : d.Exponent - layout.DecimalIndex) {}

  std::string Write(std::size_t start) {
    if (d_.Negative && start == 0) out_.Put('-');
    for (std::size_t i = start; i < mask_.size();) {
      const char c = mask_[i];
      if (c == ';') break;
      if (c == '0' || c == '#') {
        Placeholder();
      } else if (c == '\'' || c == '"') {
        const std::size_t close = ClosingQuote(mask_, i);
        if (close == std::string_view::npos) {
          out_.Put(mask_.substr(i + 1));  // an unclosed quote writes the rest of the whole mask
          break;
        }
        out_.Put(mask_.substr(i + 1, close - i - 1));
        i = close;
      } else if ((c == 'E' || c == 'e') && i + 1 < mask_.size() &&
                 (mask_[i + 1] == '+' || mask_[i + 1] == '-')) {
        const bool plus = mask_[++i] == '+';
        int zeros = 0;
        while (i + 1 < mask_.size() && mask_[i + 1] == '0') {
          ++zeros;
          ++i;
        }
        ExponentField(c, plus, std::min(zeros, 4));
      } else if (c != '.' && c != ',') {
        out_.Put(c);
      }
      ++i;
    }
    return out_.Text();
  }

 private:
  void Placeholder() {
    if (delta_ > 0) {
      // All integer digits beyond the placeholders go out at the first one.
      for (int n = delta_ + 1; n > 0; --n) NextDigit();
      delta_ = 0;
    } else if (delta_ < 0) {
      ++delta_;
      if (place_ <= leadLimit_)
        PutDigit('0');
      else
        --place_;
    } else {
      NextDigit();
    }
  }

  void NextDigit() {
    if (*next_ != '\0')
      PutDigit(*next_++);
    else if (place_ <= trailLimit_)
      --place_;
    else
      PutDigit('0');
  }

  void PutDigit(char c) {
    if (place_ == 0) {
      out_.Put(decimalSeparator_);
      out_.Put(c);
    } else {
      out_.Put(c);
      if (layout_.Thousands && place_ > 1 && place_ % 3 == 1 && thousandsSeparator_ != '\0')
        out_.Put(thousandsSeparator_);
    }
    --place_;
  }

  void ExponentField(char letter, bool plus, int width) {
    out_.Put(letter);
    const int exponent = d_.Digits[0] == '\0' ? 0 : d_.Exponent - layout_.DecimalIndex;
    if (exponent < 0)
      out_.Put('-');
    else if (plus)
      out_.Put('+');
    out_.PutNumber(static_cast<unsigned>(std::abs(exponent)), std::max(width, 1));
  }

  std::string_view mask_;
  const SectionLayout& layout_;
  const TDecimalDigits& d_;
  const char* next_;
  const char decimalSeparator_;
  const char thousandsSeparator_;
  const int leadLimit_;
  const int trailLimit_;
  int place_;
  int delta_;
  OutputArea out_;
};

}  // namespace

std::string FormatGeneral(long double value) { return General(value, DecimalSeparator); }

std::string FormatByMask(std::string_view mask, long double value) {
  if (Utf8Length(mask) > kMaxMaskLength) throw EConvertError("Format string too long");
  const char decimalSeparator = DecimalSeparator;
  const char thousandsSeparator = ThousandsSeparator;

  const bool negative = std::signbit(value);
  const MaskSectionKind kind = value == 0 && !negative ? mskZero : negative ? mskNegative : mskPositive;
  std::optional<std::size_t> start = FindSection(mask, kind);
  if (!start) return General(value, decimalSeparator);
  SectionLayout layout = ScanSection(mask, *start);

  TDecimalDigits d = layout.Scientific
                         ? ToDecimalDigits(value, layout.DigitCount, kNoDecimalLimit)
                         : ToDecimalDigits(value, 18, layout.DigitCount - layout.DecimalIndex);
  if (d.Exponent == kInfinityExponent || d.Exponent == kNotANumberExponent ||
      (!layout.Scientific && d.Exponent > 18))
    return General(value, decimalSeparator);

  if (d.Digits[0] == '\0') {
    // Zero, or rounded to zero: the zero section, without rounding again.
    const std::optional<std::size_t> zero = FindSection(mask, mskZero);
    if (!zero) return General(value, decimalSeparator);
    if (*zero != *start) {
      start = zero;
      layout = ScanSection(mask, *start);
    }
    // A scientific section without placeholders rounds any value to no digits and keeps its
    // decimal exponent (up to 4933); a plain zero section would then write that many zeros.
    // No digits stand for zero, so a positive exponent is taken as 0.
    d.Exponent = std::min<std::int16_t>(d.Exponent, 0);
  }
  return SectionWriter(mask, layout, d, decimalSeparator, thousandsSeparator).Write(*start);
}

}  // namespace kestrova
