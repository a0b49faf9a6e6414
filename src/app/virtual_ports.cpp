#include "app/virtual_ports.h"

#include <exception>
#include <string>

#include "comport/device/virtual_port_folder.h"

namespace kestrova {

VirtualPorts::VirtualPorts(const PortMap& map, std::ostream& messages) {
  const std::vector<std::string> names = map.VirtualPortNames();
  if (names.empty()) return;
  try {
    const std::filesystem::path folder = VirtualPortFolder();
    for (const std::string& name : names) {
      try {
        ports_.push_back(std::make_unique<VirtualPort>(name, folder));
        const std::string link = ports_.back()->LinkPath().string();
        messages << "kestrova: " << name << " is a virtual port; read it at " << link << '\n'
                 << "  for example: tr '\\r' '\\n' < " << link << '\n';
      } catch (const std::exception& e) {
        messages << "kestrova: " << name << ": no virtual port: " << e.what() << '\n';
      }
    }
  } catch (const std::exception& e) {
    messages << "kestrova: no virtual ports: " << e.what() << '\n';
  }
  messages.flush();
}

const VirtualPort* VirtualPorts::Find(const std::string& portName) const {
  const int number = ComPortNumber(portName);
  for (const auto& port : ports_) {
    if (ComPortNumber(port->PortName()) == number && number != 0) return port.get();
  }
  return nullptr;
}

}  // namespace kestrova
