// The parts of a report after the general part: call stack, modules, processor state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "excreport/options/quill_module_options.h"
#include "excreport/report/report_data.h"

namespace kestrova {

// The line opening a thread's block: its kind (text 69, 70 or 71), ID, priority and class, and
// text 68 for the main thread.
std::string ThreadBanner(const ThreadStack& thread, std::uint32_t exceptionThreadId, const TQuillModuleOptions& options);

// A line number, followed by "[offset]" when the offset is not 0; empty for line 0.
std::string StackLineText(const StackEntry& entry);

// The thread blocks in report order: the exception thread's block and the calling blocks right
// behind it first, then the others in their order.
std::vector<const ThreadStack*> CallStackBlockOrder(const std::vector<ThreadStack>& threads, std::uint32_t exceptionThreadId);

// The call stack table, one block per thread: the exception thread's block (and the block of
// the thread that created it) first, then the others in their order. Procedure names are left
// out when StackFlags bit 4 is set.
std::string BuildCallStackPart(const ReportData& data, const TQuillModuleOptions& options);

// The modules table, one row per module.
std::string BuildModulesPart(const ReportData& data, const TQuillModuleOptions& options);

// The 64-bit registers two to a row, then 16 rows of stack (8-byte values) and memory dump when
// 128 bytes of stack and 256 bytes at the exception address were readable. Addresses take 12
// hexadecimal digits (every user-space address fits), values 16, so the columns line up.
std::string BuildCpuPart(const ReportData& data, const TQuillModuleOptions& options);

}  // namespace kestrova
