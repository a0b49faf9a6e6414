#include "pseudo_terminal_com2.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace kestrova::testing {

PortMapScope::PortMapScope(const std::string& lines) {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrova-app-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "no temporary folder";
    return;
  }
  folder_ = pattern;
  std::filesystem::create_directories(folder_ / "kestrova");
  std::ofstream(folder_ / "kestrova" / "ports.conf") << lines;
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_ = old;
  ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
}

PortMapScope::~PortMapScope() {
  if (saved_) {
    ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
  if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

PseudoTerminalCom2::PseudoTerminalCom2() {
  char name[128] = {};
  if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    ADD_FAILURE() << "openpty failed";
    return;
  }
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  map_ = std::make_unique<PortMapScope>(std::string("COM2 = ") + name + "\n");
}

PseudoTerminalCom2::~PseudoTerminalCom2() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

void PseudoTerminalCom2::Vanish() {
  ::close(slave_);
  ::close(master_);
  slave_ = master_ = -1;
}

std::string PseudoTerminalCom2::TakeReceived() {
  std::string received;
  char chunk[256];
  for (;;) {
    const ssize_t n = ::read(master_, chunk, sizeof chunk);
    if (n <= 0) return received;
    received.append(chunk, static_cast<std::size_t>(n));
  }
}

}  // namespace kestrova::testing
