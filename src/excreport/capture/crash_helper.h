// The helper process's side of a crash: the entry that main calls first.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "excreport/capture/crash_record.h"

namespace kestrova {

// The private flag of the helper's command line, followed by the record's descriptor number.
inline constexpr std::string_view kCrashHelperFlag = "--kestrova-crash-helper=";

// Handles one crash in the helper process: builds the report, writes the log, shows the
// dialog, and returns the helper's exit code. The crashed process stays alive, waiting, until
// the helper ends, so its /proc entries can still be read.
using CrashCallback = std::function<int(const CrashRecord&)>;

// Exit code of a helper whose record is missing or does not match this build.
inline constexpr int kCrashHelperBadRecord = 2;

// Makes a record read from another process safe to use: counts clamped to their arrays, texts
// ended within them, flags 0 or 1. The crashed process may have been corrupted before it wrote
// the record.
void ValidateCrashRecord(CrashRecord& record);

// Call first thing in main. Returns nullopt when argv does not carry the helper flag (a
// normal start); otherwise reads the crash record, calls `onCrash` and returns the exit code
// for main to return: the callback's result, 1 when it threw, kCrashHelperBadRecord when the
// record could not be read. The record is validated before the callback sees it.
std::optional<int> RunCrashHelperIfRequested(int argc, char** argv, const CrashCallback& onCrash);

}  // namespace kestrova
