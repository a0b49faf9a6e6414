#include "excreport/options/quill_module_options_ex.h"

#include <unistd.h>

#include "excreport/options/module_identity.h"

namespace kestrova {

TQuillModuleOptionsEx::TQuillModuleOptionsEx(std::string moduleName, bool publish)
    : TQuillModuleOptions(std::move(moduleName), publish) {
  // The base constructor set the defaults before this class could publish them.
  ApplyChangeRule();
}

std::string TQuillModuleOptionsEx::OwnBlockName() {
  return OptionsPublication::BlockName(SubsystemModuleHandle(), ::getpid());
}

void TQuillModuleOptionsEx::Changed() {
  ByteWriter stream;
  stream.U8(1);
  SaveToStream(stream);
  lastPublishSucceeded_ = publication_.Publish(OwnBlockName(), stream.Data());
}

void TQuillModuleOptionsEx::SetEnabled(bool value) {
  TQuillModuleOptions::SetEnabled(value);
  SwitchWatchdog();
}

void TQuillModuleOptionsEx::SetHangDetection(bool value) {
  TQuillModuleOptions::SetHangDetection(value);
  SwitchWatchdog();
}

void TQuillModuleOptionsEx::SwitchWatchdog() const {
  if (watchdogSwitch_) watchdogSwitch_(Enabled() && HangDetection());
}

}  // namespace kestrova
