// The report options that the Kestrova executable carries in its data block.
#pragma once

#include <cstdint>

#include "excreport/options/quill_module_options.h"

namespace kestrova {

// Sets the executable's values over the defaults: logging on, no hang time-out, sending
// progress and last HTML page, the subsystem's own look for the dialog. The rest stays default.
void ApplyExecutableOptions(TQuillModuleOptions& options);

// What a test build changes over the executable's options (the shipped build changes nothing).
struct TestOptionOverrides {
  // Closes the report dialog by itself after this many seconds; 0 leaves it open.
  std::int32_t DialogCloseSecs = 0;
};
void ApplyTestOptionOverrides(TQuillModuleOptions& options, const TestOptionOverrides& overrides);

}  // namespace kestrova
