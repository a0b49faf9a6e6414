// Port enumeration: the names of the machine's serial ports, for the setup dialog's port list.
#pragma once

#include <QStringList>

#include "comport/port_name_source.h"

namespace kestrova {

// Appends the port names of this machine to Ports; entries already there stay in front, and
// nothing is cleared, sorted or made unique. Only names that begin with "COM" (exact case) are
// taken, cut after "COM" and the digits that follow it ("COM10:" gives "COM10").
// Raises EComPort code 15 with the system error when the platform cannot list its ports;
// Ports is then unchanged. Called on the GUI thread.
void ListComPorts(QStringList& Ports);
// The same over the names of a given source.
void ListComPorts(QStringList& Ports, const PortNameSource& Source);

}  // namespace kestrova
