// A pseudo-terminal pair standing in for a serial device: the code under test opens the slave,
// by its path or by a port name mapped to it; the test plays the peer on the master.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "support/port_map_scope.h"

namespace kestrova::support {

// Both ends stay open until Vanish() or the destructor, so the pair survives the closes of the
// code under test and its line settings can be read back through Slave(); a test that wants the
// code under test to hold the only slave descriptor calls CloseSlave(). A pair that cannot be
// opened fails the test and leaves both descriptors at -1. One thread at a time.
class PseudoTerminalPair final {
 public:
  PseudoTerminalPair();
  // The pair mapped as `portName` in a private port map (PortMapScope) while it lives;
  // `moreMapLines` follow in the same map.
  explicit PseudoTerminalPair(const std::string& portName, const std::string& moreMapLines = "");
  ~PseudoTerminalPair();
  PseudoTerminalPair(const PseudoTerminalPair&) = delete;
  PseudoTerminalPair& operator=(const PseudoTerminalPair&) = delete;

  const std::string& Path() const { return path_; }
  int Master() const { return master_; }
  int Slave() const { return slave_; }

  void CloseSlave();
  // Closes both ends: the device vanishes as an unplugged adapter does (the slave hangs up).
  void Vanish();

  // The peer writes all of `bytes`; a short write fails the test.
  void Write(const std::string& bytes);
  // What the peer receives until `count` bytes have come or `timeoutMs` has passed.
  std::string Read(std::size_t count, int timeoutMs = 2000);
  // Everything the peer has received so far and not yet taken; never blocks.
  std::string TakeReceived();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::unique_ptr<PortMapScope> map_;
};

}  // namespace kestrova::support
