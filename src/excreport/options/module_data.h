// Reading a module's "QMDATA" data block: options, hook symbols and debug information.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "excreport/options/data_block.h"
#include "excreport/options/debug_table.h"
#include "excreport/options/quill_module_options_ex.h"

namespace kestrova {

// What one module's data block gave. Without a valid block the module does not carry the
// subsystem: its options are the defaults and its build date is 0.
struct TQuillModuleData {
  bool CarriesSubsystem = false;
  // Why a block that is present was refused (damaged, tampered, another version); empty when
  // the block was taken or the module has none.
  std::string Refusal;
  std::uint16_t Version = 0;
  double BuildDate = 0;
  std::vector<HookSymbol> Symbols;
  std::unique_ptr<TQuillModuleOptionsEx> Options;
  // The password check passed (the check word deciphered to the magic).
  bool DebugReadable = false;
  // The debug table, when readable, intact and made for this very build of the module.
  std::optional<TQuillDebugInfo> DebugInfo;
  std::uintptr_t LoadAddress = 0;

  // Unit, class, procedure and line of a code address of this module, when known.
  std::optional<DebugLocation> Lookup(std::uintptr_t codeAddress) const;
};

// How to read one module's block.
struct ModuleDataRequest {
  std::string ModuleName;
  std::uintptr_t LoadAddress = 0;
  std::string BuildId;  // the module's own build-id; a debug table made for another is refused
  bool PublishOptions = false;
  // Asks for the password of protected debug information; not called when unset (a module
  // loaded only for inspection), and then the debug information stays closed.
  std::function<std::string()> RequestPassword;
};

// `block` is the section's contents, or nothing when the module has none.
TQuillModuleData ReadModuleData(std::optional<std::string_view> block, const ModuleDataRequest& request);

// The block of the running executable (/proc/self/exe), the password coming from its exported
// "Quillmark_PasswordRequestEvent".
TQuillModuleData ReadExecutableModuleData(bool publishOptions);

}  // namespace kestrova
