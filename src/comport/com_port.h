// TComPort: the serial port component as a window creates and stores it.
#pragma once

#include "comport/custom_com_port.h"

namespace kestrova {

// Adds no behaviour to TCustomComPort: it is the class that owners instantiate.
class TComPort final : public TCustomComPort {
  Q_OBJECT

 public:
  using TCustomComPort::TCustomComPort;
  ~TComPort() override { CloseBeforeDestruction(); }

 protected:
  // Final, and overrides none of them.
  bool NotifiesHandlersOnly() const override { return true; }
};

}  // namespace kestrova
