// TPortTransfer: the record of one overlapped transfer through a port.
#pragma once

#include "comport/device/device_transfer.h"

#include <cstdint>

namespace kestrova {

enum class TTransferKind : std::uint8_t { trWrite, trRead };

// Made by TCustomComPort::NewTransfer and freed by DisposeTransfer; the caller holds the
// pointer. Good for one transfer at a time: a started transfer must be awaited before the
// record is disposed or used again. Overlapped's completion event is set while nothing is
// pending. Kind is set by the start operation.
struct TPortTransfer {
  DeviceTransfer Overlapped;
  TTransferKind Kind = TTransferKind::trWrite;
};

}  // namespace kestrova
