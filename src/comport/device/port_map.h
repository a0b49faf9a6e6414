// The port map: which device each port name "COM1".."COM16" opens on this machine.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace kestrova {

// Read from a text file of "COMn = /dev/path" lines ('#' starts a comment, blank lines are
// skipped, names are case-insensitive). A name without a line opens /dev/ttyS(n-1).
// Value type; cheap to load, so callers read it again whenever they need it fresh.
class PortMap final {
 public:
  // $XDG_CONFIG_HOME/kestrova/ports.conf, or ~/.config/kestrova/ports.conf.
  static std::filesystem::path DefaultPath();
  // A missing or unreadable file gives an empty map; malformed lines are ignored.
  static PortMap Load(const std::filesystem::path& file);
  static PortMap LoadDefault() { return Load(DefaultPath()); }
  static PortMap Parse(const std::string& text);

  // The device path of a port name of the form "COMn" (n = 1..16): the mapped path as written
  // (a by-id link is resolved by open()), else "/dev/ttyS(n-1)". Empty for any other name.
  std::string DevicePath(const std::string& portName) const;

  // Mapped names (upper case) with their paths, in name order.
  const std::map<std::string, std::string>& Entries() const { return entries_; }

 private:
  std::map<std::string, std::string> entries_;
};

// "COMn" with n in 1..16 -> n; anything else -> 0.
int ComPortNumber(const std::string& portName);

}  // namespace kestrova
