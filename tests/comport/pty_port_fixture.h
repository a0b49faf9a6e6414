// A pseudo-terminal whose slave the port opens as COM3 through a port map in a private config
// folder (COM4 maps to a device that does not exist). The test plays the peer on the master.
#pragma once

#include "comport/custom_com_port.h"
#include "comport/device/com_device_posix.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace kestrova {

class PortOnPseudoTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    int slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master_, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    const char* old = std::getenv("XDG_CONFIG_HOME");
    savedConfig_ = old ? std::optional<std::string>(old) : std::nullopt;
    config_ = std::filesystem::temp_directory_path() / ("kestrova-pty-" + std::to_string(::getpid()));
    std::filesystem::create_directories(config_ / "kestrova");
    std::ofstream(config_ / "kestrova" / "ports.conf") << "COM3 = " << name << "\nCOM4 = /nonexistent/tty\n";
    ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  }
  void TearDown() override {
    ClosePeer();
    std::filesystem::remove_all(config_);
    if (savedConfig_) {
      ::setenv("XDG_CONFIG_HOME", savedConfig_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
  }

  static int Descriptor(const TCustomComPort& port) {
    auto* device = dynamic_cast<ComDevicePosix*>(port.Device());
    return device != nullptr ? device->Descriptor() : -1;
  }

  // Closing the master hangs the slave up: the device has gone.
  void ClosePeer() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  void PeerWrite(const std::string& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // What the peer receives until count bytes have come or timeoutMs has passed.
  std::string PeerRead(std::size_t count, int timeoutMs = 2000) {
    std::string got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{.fd = master_, .events = POLLIN, .revents = 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[256];
      ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

  int master_ = -1;
  std::filesystem::path config_;
  std::optional<std::string> savedConfig_;
};

}  // namespace kestrova
