// The report options that the Kestrova executable carries in its data block.
#pragma once

#include "excreport/quill_module_options.h"

namespace kestrova {

// Sets the executable's values over the defaults: logging on, no hang time-out, sending
// progress and last HTML page, the subsystem's own look for the dialog. The rest stays default.
void ApplyExecutableOptions(TQuillModuleOptions& options);

}  // namespace kestrova
