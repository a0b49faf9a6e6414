// The port map: which device each port name "COM1".."COM16" opens on this machine.
#pragma once

#include "comport/device/config_folder.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kestrova {

// Read from a text file of "COMn = /dev/path" lines ('#' starts a comment, blank lines are
// skipped, names are case-insensitive). A name without a line opens /dev/ttyS(n-1); a name
// mapped as "virtual" opens the component end of the virtual port started for it.
// Value type; cheap to load, so callers read it again whenever they need it fresh.
class PortMap final {
 public:
  // $XDG_CONFIG_HOME/kestrova/ports.conf, or ~/.config/kestrova/ports.conf.
  static std::filesystem::path DefaultPath();
  static std::filesystem::path DefaultPath(const ConfigFolderInputs& inputs);
  // A missing or unreadable file gives an empty map; malformed lines are ignored.
  static PortMap Load(const std::filesystem::path& file);
  static PortMap LoadDefault() { return Load(DefaultPath()); }
  static PortMap Parse(const std::string& text);

  // The device path of a port name of the form "COMn" (n = 1..16): the mapped path as written
  // (a by-id link is resolved by open()), else "/dev/ttyS(n-1)". For a "virtual" line the
  // device recorded by SetVirtualPortDevice, empty while no virtual port serves the name.
  // Empty for any other name.
  std::string DevicePath(const std::string& portName) const;

  // The names mapped as "virtual", in name order.
  std::vector<std::string> VirtualPortNames() const;

  // Mapped names (upper case) with their paths, in name order.
  const std::map<std::string, std::string>& Entries() const { return entries_; }

 private:
  std::map<std::string, std::string> entries_;
};

// "COMn" with n in 1..16 -> n; anything else -> 0.
int ComPortNumber(const std::string& portName);

}  // namespace kestrova
