// kestrova-mask: formats numbers with a format mask from the command line, exactly as the
// transmit loop formats its readings.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/convert_error.h"
#include "app/format_by_mask.h"
#include "app/format_separators.h"
#include "app/locale_separators.h"
#include "app/text_to_number.h"

namespace {

constexpr const char* kUsage =
    "Usage: kestrova-mask [--decimal C] [--thousands C] MASK VALUE...\n"
    "\n"
    "Prints each VALUE formatted with the format mask MASK, one line per value.\n"
    "A VALUE is read like the fixed reading of the main window: optional spaces and sign,\n"
    "digits with the decimal separator, an optional exponent (\"E+3\").\n"
    "\n"
    "  --decimal C    decimal separator, one character (default: from the LC_NUMERIC locale)\n"
    "  --thousands C  thousands separator, one character or \"\" for none (default: locale)\n"
    "  --help         show this text\n"
    "  --             end of options (for a MASK that begins with \"--\")\n"
    "\n"
    "A VALUE that is not a number, or a MASK of more than 224 characters, prints its error on\n"
    "stderr; the other values still print. Exit code: 0 when every value printed, 1 when some\n"
    "value failed, 2 for wrong usage.\n";

int UsageError(const char* message) {
  std::fprintf(stderr, "kestrova-mask: %s\n%s", message, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  kestrova::ReadSeparatorsFromLocale();
  std::vector<const char*> operands;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const bool decimal = std::strcmp(arg, "--decimal") == 0;
    if (options && (decimal || std::strcmp(arg, "--thousands") == 0)) {
      if (i + 1 == argc) return UsageError("an option needs its character");
      const char* value = argv[++i];
      const std::size_t length = std::strlen(value);
      if (length > 1 || (decimal && length == 0))
        return UsageError("a separator is one character");
      (decimal ? kestrova::DecimalSeparator : kestrova::ThousandsSeparator) = value[0];
    } else if (options && std::strcmp(arg, "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (options && std::strcmp(arg, "--") == 0) {
      options = false;
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.size() < 2) return UsageError("a MASK and at least one VALUE are needed");

  int status = 0;
  for (std::size_t i = 1; i < operands.size(); ++i) {
    try {
      const std::string text = kestrova::FormatByMask(operands[0], kestrova::TextToExtended(operands[i]));
      std::printf("%s\n", text.c_str());
    } catch (const kestrova::EConvertError& error) {
      std::fflush(stdout);
      std::fprintf(stderr, "%s\n", error.what());
      status = 1;
    }
  }
  return status;
}
