// The process-wide table of virtual ports: which device the port component opens for a port
// name mapped as "virtual".
#pragma once

#include <string>

namespace kestrova {

// The port map value that asks for a virtual port.
inline constexpr const char* kVirtualPortValue = "virtual";

// Records (or, with an empty path, forgets) the component end of the virtual port serving
// `portName` ("COMn", any case). Thread-safe.
void SetVirtualPortDevice(const std::string& portName, const std::string& devicePath);

// The device recorded for `portName`; empty when no virtual port serves it.
std::string VirtualPortDevice(const std::string& portName);

}  // namespace kestrova
