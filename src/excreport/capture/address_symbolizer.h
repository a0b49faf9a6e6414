// Names for code addresses when a report is built: the executable's debug table for the
// program's own code, the dynamic symbol names for shared libraries.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "excreport/options/module_data.h"
#include "excreport/report/proc_parsers.h"
#include "excreport/report/report_data.h"

namespace kestrova {

// Made once per report from the module list of a process: this one (pid 0), or a crashed
// process that a helper reports (its modules sit at other addresses than the helper's, so a
// library's names are found through the same library mapped into the helper). Reads /proc at
// construction only; `executable` must outlive the object.
class AddressSymbolizer final {
 public:
  AddressSymbolizer(const TQuillModuleData& executable, pid_t processId = 0);

  // The stack entry of `address`. A return address points behind its call: it is looked up
  // (and shown) one byte back, inside the call instruction.
  StackEntry Resolve(std::uintptr_t address, bool returnAddress) const;
  // The path of the module that holds `address`; empty when none does.
  std::string ModulePath(std::uintptr_t address) const;
  // How far `address` lies from the start of the module that holds it; nothing when none does.
  std::optional<std::uintptr_t> ModuleOffset(std::uintptr_t address) const;

  // The entries of a walked stack: frame 0 is `firstIsInstruction` (an interrupted
  // instruction) or a return address, as every later frame is.
  std::vector<StackEntry> ResolveStack(const std::vector<std::uintptr_t>& frames, bool firstIsInstruction) const;

 private:
  const MappedFile* ModuleOf(std::uintptr_t address) const;
  // The local address of the same byte of `module`, when this process has that file mapped.
  std::uintptr_t LocalAddress(const MappedFile& module, std::uintptr_t address) const;

  const TQuillModuleData& executable_;
  bool ownProcess_;
  std::string executablePath_;
  std::vector<MappedFile> modules_;
  std::vector<MappedFile> localModules_;
};

}  // namespace kestrova
