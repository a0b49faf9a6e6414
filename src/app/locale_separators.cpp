#include "app/locale_separators.h"

#include <langinfo.h>
#include <locale.h>

#include "app/format_separators.h"

namespace kestrova {

void ReadSeparatorsFromLocale() {
  locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (numeric == static_cast<locale_t>(nullptr)) {
    SetSeparatorsFromLocaleTexts(nullptr, nullptr);
    return;
  }
  SetSeparatorsFromLocaleTexts(nl_langinfo_l(RADIXCHAR, numeric), nl_langinfo_l(THOUSEP, numeric));
  freelocale(numeric);
}

}  // namespace kestrova
