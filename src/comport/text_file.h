// Whole-file reads and atomic replacement, for the small settings files the port component keeps.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kestrova {

// The file's bytes; the empty text for a missing file; nullopt when it exists but cannot be read
// (a folder or another file that is not regular, no permission, an I/O error).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

// Writes text to a new file beside file and renames it over file, creating missing parent
// folders, so a reader sees the old or the new contents, never a part. False when any step fails
// (the new file is then removed).
bool ReplaceFile(const std::filesystem::path& file, const std::string& text);

}  // namespace kestrova
