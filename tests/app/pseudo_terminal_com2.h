// A private port map for a test, and a pseudo-terminal mapped as COM2 in it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace kestrova::testing {

// A ports.conf of the given text in a private config folder, named by XDG_CONFIG_HOME while
// the object lives.
class PortMapScope final {
 public:
  explicit PortMapScope(const std::string& lines);
  ~PortMapScope();
  PortMapScope(const PortMapScope&) = delete;
  PortMapScope& operator=(const PortMapScope&) = delete;

 private:
  std::filesystem::path folder_;
  std::optional<std::string> saved_;
};

// A pseudo-terminal mapped as COM2. The test keeps a slave descriptor open, so the pair
// survives the port's closes between ticks and its line settings can be read back; the
// master is the peer that reads what the program sends.
class PseudoTerminalCom2 final {
 public:
  PseudoTerminalCom2();
  ~PseudoTerminalCom2();
  PseudoTerminalCom2(const PseudoTerminalCom2&) = delete;
  PseudoTerminalCom2& operator=(const PseudoTerminalCom2&) = delete;

  int Master() const { return master_; }
  int Slave() const { return slave_; }
  // Everything the peer has received so far and not yet taken; never blocks.
  std::string TakeReceived();
  // Closes both ends: the device vanishes as an unplugged adapter does.
  void Vanish();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::unique_ptr<PortMapScope> map_;
};

}  // namespace kestrova::testing
