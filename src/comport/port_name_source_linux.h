// Port names on Linux: the port map's names whose devices exist, and the real UARTs of sysfs.
#pragma once

#include <filesystem>

#include "comport/device/port_map.h"
#include "comport/port_name_source.h"

namespace kestrova {

// Lists "COMn" names (n = 1..16) in number order without duplicates:
// - every name of the port map whose device path exists (a by-id link must resolve);
// - COMn for each /sys/class/tty/ttyS(n-1) whose sysfs "type" does not read 0 (type 0 marks
//   the legacy stub UARTs the kernel registers whether or not hardware is there), unless a
//   map line names COMn: the map then decides alone.
// Other tty devices (ttyUSB0, ttyACM0, pseudo-terminals) are listed only through the map.
// An unreadable tty folder fails the whole listing with its errno.
class PortNameSourceLinux final : public PortNameSource {
 public:
  // This machine: /sys/class/tty and the port map read now from its default file.
  PortNameSourceLinux();
  PortNameSourceLinux(std::filesystem::path sysfsTtyRoot, PortMap map);

  PortNameResult ListPortNames() const override;

 private:
  std::filesystem::path sysfsTtyRoot_;
  PortMap map_;
};

}  // namespace kestrova
