// Reading a named section and the build-id of an ELF file without loading the whole file.
#pragma once

#include <optional>
#include <string>

namespace kestrova {

// The contents of section `name` of the 64-bit little-endian ELF file at `path`, or nothing
// when the file cannot be read, is no such ELF file or has no such section.
std::optional<std::string> ReadElfSection(const std::string& path, const std::string& name);

// The raw bytes of the file's GNU build-id note; empty when it has none.
std::string ReadElfBuildId(const std::string& path);

}  // namespace kestrova
