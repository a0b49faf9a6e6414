// Where port selectors take the names of the machine's serial ports from.
#pragma once

#include <QStringList>

#include "comport/port_name_source.h"

namespace kestrova {

// ListComPorts over the machine's own ports (read afresh at each call), or over the source set
// with SetSelectorPortNames. Raises EComPort code 15 as ListComPorts does.
void ListSelectorPorts(QStringList& Ports);
// Makes port selectors list the names of source (not owned; it must outlive every use), or the
// machine's own again when source is null. Lets tests supply names. GUI thread only.
void SetSelectorPortNames(const PortNameSource* source);

}  // namespace kestrova
