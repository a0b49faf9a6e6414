#include "app/tick_port.h"

#include <exception>

#include "comport/custom_com_port.h"
#include "comport/device/port_map_cache.h"

namespace kestrova {
namespace {

// Through the map the port opens its device by, so both name the same device.
std::string DevicePathOf(const std::string& port) {
  return PortMapCache::Shared().DevicePath(port);
}

std::string FailureMessage(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    // An empty message would read as success.
    if (*e.what() != '\0') return e.what();
  } catch (...) {
  }
  return "a failure without a message";
}

}  // namespace

TickPort::TickPort(TCustomComPort& port, std::ostream& diagnostics)
    : port_(port), log_(diagnostics, DevicePathOf) {}

void TickPort::Send(const std::string& frame) {
  if (log_.Record({port_.Port(), RunSteps(frame)}) && changed_) changed_();
}

std::string TickPort::RunSteps(const std::string& frame) {
  // A port left open by an earlier tick whose close failed is closed first, so that the open
  // below reaches the device that is mapped now.
  if (port_.Connected()) CloseDroppingFailure();
  try {
    port_.SetConnected(true);
  } catch (...) {
    return FailureMessage(std::current_exception());
  }
  try {
    port_.SendText(frame);
  } catch (...) {
    const std::string failure = FailureMessage(std::current_exception());
    CloseDroppingFailure();
    return failure;
  }
  try {
    port_.SetConnected(false);
  } catch (...) {
    return FailureMessage(std::current_exception());
  }
  return {};
}

void TickPort::CloseDroppingFailure() {
  try {
    port_.SetConnected(false);
  } catch (...) {
    // Dropped: the port is as its close sequence left it, and the next tick tries again.
  }
}

std::string TickPort::Summary() const {
  return log_.Summary(port_.Port(), DevicePathOf(port_.Port()));
}

}  // namespace kestrova
