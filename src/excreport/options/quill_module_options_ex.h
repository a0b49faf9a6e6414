// TQuillModuleOptionsEx: report options that publish themselves and drive the freeze watchdog.
#pragma once

#include <functional>

#include "excreport/options/options_publication.h"
#include "excreport/options/quill_module_options.h"

namespace kestrova {

// On every change (by the change rule) the options are published as byte 1 followed by their
// stream form under OptionsPublication::BlockName(own module, own process); a failed publication
// leaves the options usable and is visible through LastPublishSucceeded().
class TQuillModuleOptionsEx final : public TQuillModuleOptions {
 public:
  TQuillModuleOptionsEx(std::string moduleName, bool publish);

  void SetEnabled(bool value) override;
  void SetHangDetection(bool value) override;

  // Set by the handling flow on its current options only: called with true when Enabled and
  // HangDetection are both on (start the freeze watchdog), false when either goes off.
  void SetHangWatchdogSwitch(std::function<void(bool run)> watchdogSwitch) { watchdogSwitch_ = std::move(watchdogSwitch); }

  bool LastPublishSucceeded() const { return lastPublishSucceeded_; }
  // The name under which the options of this process's subsystem module are published.
  static std::string OwnBlockName();

 protected:
  void Changed() override;

 private:
  void SwitchWatchdog() const;

  OptionsPublication publication_;
  std::function<void(bool)> watchdogSwitch_;
  bool lastPublishSucceeded_ = false;
};

}  // namespace kestrova
