// The parts of a report after the general part: call stack, modules, processor state.
#pragma once

#include <string>

#include "excreport/quill_module_options.h"
#include "excreport/report_data.h"

namespace kestrova {

// The call stack table, one block per thread: the exception thread's block (and the block of
// the thread that created it) first, then the others in their order. Procedure names are left
// out when StackFlags bit 4 is set.
std::string BuildCallStackPart(const ReportData& data, const TQuillModuleOptions& options);

// The modules table, one row per module.
std::string BuildModulesPart(const ReportData& data, const TQuillModuleOptions& options);

// Registers, then 16 rows of stack and memory dump when 64 bytes of stack and 256 bytes at the
// exception address were readable.
std::string BuildCpuPart(const ReportData& data, const TQuillModuleOptions& options);

}  // namespace kestrova
