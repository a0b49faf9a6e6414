// A virtual null-modem port: two linked pseudo-terminals, one opened by the port component by
// path like any serial device, the other published as a link that a reading program opens.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace kestrova {

// Made by the program's start-up, before other threads, for each port mapped as "virtual";
// lives until the program ends. Not thread-safe; create and destroy on one thread.
//
// The constructor makes both pseudo-terminal pairs (raw, no echo), takes the name's lock
// (folder/.COMn.lock, kept while the relay lives: a second program cannot serve the same
// name), forks the relay (virtual_port_relay.h), which holds the masters, and then publishes
// folder/COMn as a symbolic link to the reader's slave (replacing what a dead program left
// there). It records the component's slave as the device of the port name
// (virtual_port_devices.h). Throws std::system_error when a system call fails and
// std::runtime_error when another program serves the name; nothing is left behind then.
//
// The relay outlives a crash or kill of this process just long enough to remove the link: it
// ends when the last descriptor of a pipe that only this process holds closes. The destructor
// ends it the same way and waits for it, so the link is gone when the destructor returns.
class VirtualPort final {
 public:
  VirtualPort(const std::string& portName, const std::filesystem::path& folder);
  ~VirtualPort();
  VirtualPort(const VirtualPort&) = delete;
  VirtualPort& operator=(const VirtualPort&) = delete;

  const std::string& PortName() const { return portName_; }
  // What the port component opens: the component's slave, e.g. /dev/pts/4.
  const std::string& DevicePath() const { return devicePath_; }
  // What a reading program opens: folder/COMn.
  const std::filesystem::path& LinkPath() const { return link_; }
  pid_t RelayProcess() const { return relay_; }

 private:
  // Ends the relay and waits for it; it removes the link.
  void StopRelay();

  std::string portName_;
  std::string devicePath_;
  std::filesystem::path link_;
  pid_t relay_ = -1;
  int parentEnd_ = -1;  // write end of the pipe the relay watches
};

}  // namespace kestrova
