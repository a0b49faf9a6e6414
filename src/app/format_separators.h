// The process-wide decimal and thousands separators of the formatter and the conversions.
#pragma once

namespace kestrova {

// Both are replaced on the GUI thread (at start-up and when the desktop announces a locale
// change) and read without a lock. Tests set them directly.
extern char DecimalSeparator;    // "." until the locale is read
extern char ThousandsSeparator;  // "," until the locale is read; code 0 writes no grouping

// The one separator character that stands for a locale's separator text: its first byte when
// that is ASCII or the whole text is a single byte (an 8-bit locale); a Unicode space (no-break,
// narrow no-break, thin, ...) becomes a plain space and a typographic apostrophe becomes "'",
// because the output is a byte string and a lone lead byte of a UTF-8 sequence would corrupt
// it; anything else, and an empty or missing text, gives the fallback.
char SeparatorFromLocaleText(const char* text, char fallback);

// Sets both separators from the locale's texts, with "." and "," where the locale gives none.
void SetSeparatorsFromLocaleTexts(const char* decimal, const char* thousands);

}  // namespace kestrova
