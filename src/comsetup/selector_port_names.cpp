#include "comsetup/selector_port_names.h"

#include "comport/list_com_ports.h"

namespace kestrova {
namespace {

const PortNameSource* chosenSource = nullptr;

}  // namespace

void ListSelectorPorts(QStringList& Ports) {
  if (chosenSource != nullptr) {
    ListComPorts(Ports, *chosenSource);
  } else {
    ListComPorts(Ports);
  }
}

void SetSelectorPortNames(const PortNameSource* source) { chosenSource = source; }

}  // namespace kestrova
