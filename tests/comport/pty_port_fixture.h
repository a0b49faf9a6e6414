// A pseudo-terminal whose slave the port opens as COM3 through a port map in a private config
// folder (COM4 maps to a device that does not exist). The test plays the peer on the master.
#pragma once

#include "comport/custom_com_port.h"
#include "comport/device/com_device_posix.h"
#include "support/pseudo_terminal_pair.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>

namespace kestrova {

class PortOnPseudoTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    ReplaceDevice();
    ASSERT_GE(peer_->Master(), 0);
  }
  void TearDown() override { peer_.reset(); }

  static int Descriptor(const TCustomComPort& port) {
    auto* device = dynamic_cast<ComDevicePosix*>(port.Device());
    return device != nullptr ? device->Descriptor() : -1;
  }

  // A new pseudo-terminal mapped as COM3 in place of the current one, which is closed and its
  // map removed first: the next open of COM3 finds a new device under the same name.
  void ReplaceDevice() {
    peer_.emplace("COM3", "COM4 = /nonexistent/tty\n");
    peer_->CloseSlave();  // the port holds the only slave descriptor
  }
  // Closing the master hangs the slave up: the device has gone.
  void ClosePeer() { peer_->Vanish(); }
  void PeerWrite(const std::string& bytes) { peer_->Write(bytes); }
  // What the peer receives until count bytes have come or timeoutMs has passed.
  std::string PeerRead(std::size_t count, int timeoutMs = 2000) { return peer_->Read(count, timeoutMs); }

  std::optional<support::PseudoTerminalPair> peer_;
};

}  // namespace kestrova
