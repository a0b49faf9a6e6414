// Which module (executable or shared library) holds the exception reporting code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrova {

// The load address of the module that holds this code: its module handle.
std::uintptr_t SubsystemModuleHandle();
// The file of that module (for the executable, the path behind /proc/self/exe).
const std::string& SubsystemModuleName();
// The address at which the executable's ELF header is mapped; debug table addresses count from it.
std::uintptr_t ExecutableLoadAddress();
// True when `name` names that module's file.
bool IsSubsystemModule(std::string_view name);

}  // namespace kestrova
