// Start-up of the virtual ports the port map asks for.
#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include "comport/device/port_map.h"
#include "comport/device/virtual_port.h"

namespace kestrova {

// One virtual port for each "COMn = virtual" line of the map, in the folder of
// VirtualPortFolder(). Made by the program entry before any other thread starts (the relays
// are forked); they end with this object. A port that cannot be made is skipped with a line
// on `messages`: its name then opens nothing, so the ticks on it send nothing, as with any
// missing device. Each port made is announced there with the path to read it at.
class VirtualPorts final {
 public:
  VirtualPorts(const PortMap& map, std::ostream& messages);

  // The port serving `portName` ("COMn", any case), or null.
  const VirtualPort* Find(const std::string& portName) const;

 private:
  std::vector<std::unique_ptr<VirtualPort>> ports_;
};

}  // namespace kestrova
