// Builds an executable's "QMDATA" data block and writes it into the file as an ELF section.
#pragma once

#include <string>

#include "excreport/options/debug_table.h"
#include "executable_options.h"

namespace kestrova {

// The block for the executable at `path`: the executable's options (with a test build's
// overrides), an empty hook symbol table, the build date of now and the debug table protected
// with `password`.
std::string BuildExecutableBlock(const DebugTableSource& table, const std::string& password,
                                 const TestOptionOverrides& overrides = {});

// Replaces the file's "QMDATA" section by `block`, through objcopy. On failure returns the
// reason; an empty text means success.
std::string EmbedBlock(const std::string& path, const std::string& block);

}  // namespace kestrova
