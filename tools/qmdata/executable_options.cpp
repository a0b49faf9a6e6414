#include "executable_options.h"

namespace kestrova {

void ApplyExecutableOptions(TQuillModuleOptions& options) {
  options.BeginUpdate();
  options.SetDefaults();
  options.SetLogEnabled(true);
  options.SetHangTimeoutSecs(0);
  options.SetSendFlags(0x0041);
  options.SetDialogFlags(0x9F);
  options.EndUpdate();
}

void ApplyTestOptionOverrides(TQuillModuleOptions& options, const TestOptionOverrides& overrides) {
  options.SetDialogCloseSecs(overrides.DialogCloseSecs);
}

}  // namespace kestrova
