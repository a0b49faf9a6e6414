// A port whose devices are fakes recording into one script; Events empty (no event thread).
#pragma once

#include "comport/com_port.h"
#include "comport/device/com_device_fake.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrova {

class FakePortTest : public ::testing::Test {
 protected:
  FakePortTest() {
    port.SetDeviceFactory(script.Factory());
    port.SetEvents({});
  }

  // The records of every call of one kind, in order.
  std::vector<DeviceCallRecord> RecordsOf(DeviceCall call) const {
    std::vector<DeviceCallRecord> out;
    for (const auto& r : script.Records()) {
      if (r.call == call) out.push_back(r);
    }
    return out;
  }
  DeviceControlBlock LastState() const {
    auto states = RecordsOf(DeviceCall::SetState);
    return states.empty() ? DeviceControlBlock{} : states.back().state;
  }

  FakeDeviceScript script;  // outlives the port and its devices
  TComPort port;
};

// The control block a new port gives the device.
inline DeviceControlBlock NewPortBlock() {
  DeviceControlBlock dcb;
  dcb.DCBlength = 28;
  dcb.BaudRate = 9600;
  dcb.fBinary = 1;
  dcb.XonLim = 256;
  dcb.XoffLim = 256;
  dcb.ByteSize = 8;
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  return dcb;
}

inline std::vector<DeviceCall> OpenCalls() {
  using enum DeviceCall;
  // Queue sizes, line, timeouts; then each of the three input lines read twice.
  return {Open, SetupQueues, SetState, SetTimeouts, GetModemStatus, GetModemStatus,
          GetModemStatus, GetModemStatus, GetModemStatus, GetModemStatus};
}

}  // namespace kestrova
