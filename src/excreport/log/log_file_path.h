// Where the log file lives: from the options, and, when that place cannot be used, a folder in
// the user's home.
#pragma once

#include <string>
#include <string_view>

#include "excreport/options/quill_module_options.h"

namespace kestrova {

// The module's name with extension ".qmf", in LogFolder (or the module's folder); a LogFolder
// ending in ".qmf" (any case) is the whole path. LogFlags bit 3 adds "_" and the computer name
// before the extension.
std::string LogFilePath(const TQuillModuleOptions& options, std::string_view computerName);

// The computer name as part of a file name: at most 15 characters, each of "*/:<>?\| and the
// double quote replaced by "_".
std::string FileSafeComputerName(std::string_view computerName);

// Whether the log at `path` can be written: its folder takes new files, as a save writes the
// new log beside the old one (read, when `readOnly`: the file opens). The check leaves nothing
// behind.
bool LogFileUsable(const std::string& path, bool readOnly);

// The file name of the running program's executable; empty when it cannot be read.
std::string ProgramFileName();

// `path` when usable; otherwise the same file name in `home` + "/Quillmark/" + `programName`
// (folders created when missing, readable by their owner only) when that is usable; otherwise
// `path`. A path under /usr, where an installed program lives, always takes the fallback.
std::string ResolveLogFileAccess(const std::string& path, bool readOnly, const std::string& home,
                                 const std::string& programName);

}  // namespace kestrova
