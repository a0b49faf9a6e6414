// Turns an executable's DWARF into the debug table of its data block.
#pragma once

#include <optional>
#include <string>

#include "excreport/options/debug_table.h"

namespace kestrova {

// Functions (unit, class, procedure) and line rows of every compilation unit of the ELF file at
// `path`, relative to its lowest loaded page, plus its build-id. Empty lists when the file
// carries no DWARF; nothing when it cannot be opened as ELF.
std::optional<DebugTableSource> ReadDwarfTable(const std::string& path);

}  // namespace kestrova
