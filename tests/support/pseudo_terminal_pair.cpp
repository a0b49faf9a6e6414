#include "support/pseudo_terminal_pair.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace kestrova::support {
namespace {

// Whether the master has something to read within `timeoutMs` (0: now).
bool Readable(int master, int timeoutMs) {
  pollfd p{.fd = master, .events = POLLIN, .revents = 0};
  return ::poll(&p, 1, timeoutMs) > 0;
}

}  // namespace

PseudoTerminalPair::PseudoTerminalPair() {
  char name[128] = {};
  if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    ADD_FAILURE() << "openpty failed";
    master_ = slave_ = -1;
    return;
  }
  path_ = name;
}

PseudoTerminalPair::PseudoTerminalPair(const std::string& portName, const std::string& moreMapLines)
    : PseudoTerminalPair() {
  if (master_ >= 0) map_ = std::make_unique<PortMapScope>(portName + " = " + path_ + "\n" + moreMapLines);
}

PseudoTerminalPair::~PseudoTerminalPair() { Vanish(); }

void PseudoTerminalPair::CloseSlave() {
  if (slave_ >= 0) ::close(slave_);
  slave_ = -1;
}

void PseudoTerminalPair::Vanish() {
  CloseSlave();
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

void PseudoTerminalPair::Write(const std::string& bytes) {
  ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::string PseudoTerminalPair::Read(std::size_t count, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  std::string got;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0 || !Readable(master_, static_cast<int>(left.count()))) break;
    char buffer[256];
    const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
    if (n <= 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

std::string PseudoTerminalPair::TakeReceived() {
  std::string received;
  char chunk[256];
  while (Readable(master_, 0)) {
    const ssize_t n = ::read(master_, chunk, sizeof chunk);
    if (n <= 0) break;
    received.append(chunk, static_cast<std::size_t>(n));
  }
  return received;
}

}  // namespace kestrova::support
