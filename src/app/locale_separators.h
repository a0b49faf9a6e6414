// Reads the separators from the user's numeric locale.
#pragma once

namespace kestrova {

// Sets DecimalSeparator and ThousandsSeparator from the user's LC_NUMERIC locale as the
// environment names it now (LC_ALL, LC_NUMERIC, LANG), without touching the process locale.
// Called at start-up and again when the desktop announces a locale change; a locale that
// cannot be loaded gives "." and ",".
void ReadSeparatorsFromLocale();

}  // namespace kestrova
