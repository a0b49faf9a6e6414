#include "comport/device/virtual_port.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "common/unique_fd.h"
#include "comport/device/port_map.h"
#include "comport/device/virtual_port_devices.h"
#include "comport/device/virtual_port_relay.h"

namespace kestrova {
namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

int Check(int result, const char* what) {
  if (result < 0) ThrowErrno(what);
  return result;
}

struct PseudoTerminal {
  UniqueFd master;
  UniqueFd slave;
  std::string slavePath;
};

// A pair in raw mode without echo, its master non-blocking for the relay.
PseudoTerminal OpenPseudoTerminal() {
  PseudoTerminal pty;
  pty.master = UniqueFd(Check(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC), "posix_openpt"));
  Check(::grantpt(pty.master.Get()), "grantpt");
  Check(::unlockpt(pty.master.Get()), "unlockpt");
  char name[128];
  if (int err = ::ptsname_r(pty.master.Get(), name, sizeof name); err != 0) {
    throw std::system_error(err, std::generic_category(), "ptsname_r");
  }
  pty.slavePath = name;
  pty.slave = UniqueFd(Check(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC), "open pseudo-terminal slave"));
  termios t{};
  Check(::tcgetattr(pty.slave.Get(), &t), "tcgetattr");
  ::cfmakeraw(&t);
  Check(::tcsetattr(pty.slave.Get(), TCSANOW, &t), "tcsetattr");
  const int flags = Check(::fcntl(pty.master.Get(), F_GETFL), "fcntl");
  Check(::fcntl(pty.master.Get(), F_SETFL, flags | O_NONBLOCK), "fcntl");
  return pty;
}

// One lock per port name, held by the relay for its life. The file is never removed:
// removing a lock file that others may be opening races with them.
UniqueFd LockPortName(const std::filesystem::path& folder, const std::string& portName,
                      const std::filesystem::path& link) {
  const std::filesystem::path lockFile = folder / ("." + portName + ".lock");
  UniqueFd lock(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (lock.Get() < 0) ThrowErrno("cannot open " + lockFile.string());
  // A relay whose program has just ended holds the lock a moment longer, while it removes
  // its link; a live one holds it for good.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) ThrowErrno("cannot lock " + lockFile.string());
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error(portName + " is already served at " + link.string() + " by another program");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return lock;
}

// Replaces whatever the name holds (a link left by a program that died) in one step.
void PublishLink(const std::string& target, const std::filesystem::path& link) {
  std::filesystem::path temporary = link;
  temporary += "." + std::to_string(::getpid()) + ".new";
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0) ThrowErrno("cannot create " + temporary.string());
  if (::rename(temporary.c_str(), link.c_str()) != 0) {
    const int err = errno;
    ::unlink(temporary.c_str());
    throw std::system_error(err, std::generic_category(), "cannot publish " + link.string());
  }
}

// In the forked child: every inherited descriptor but the standard ones and `keep` is closed,
// so that the relay holds no other port's pipe or lock. Async-signal-safe.
template <std::size_t N>
void CloseAllExcept(std::array<int, N> keep) {
  std::sort(keep.begin(), keep.end());
  unsigned first = 3;
  for (int fd : keep) {
    if (fd < static_cast<int>(first)) continue;
    if (static_cast<unsigned>(fd) > first)
      ::syscall(SYS_close_range, first, static_cast<unsigned>(fd) - 1, 0u);
    first = static_cast<unsigned>(fd) + 1;
  }
  ::syscall(SYS_close_range, first, ~0u, 0u);
}

}  // namespace

VirtualPort::VirtualPort(const std::string& portName, const std::filesystem::path& folder)
    : portName_(portName) {
  if (ComPortNumber(portName) == 0) throw std::runtime_error("not a port name: " + portName);
  std::transform(portName_.begin(), portName_.end(), portName_.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  link_ = folder / portName_;

  UniqueFd lock = LockPortName(folder, portName_, link_);
  PseudoTerminal component = OpenPseudoTerminal();
  PseudoTerminal reader = OpenPseudoTerminal();
  // Its master now reports a hang-up until a reader opens the slave.
  reader.slave.Reset();
  int pipeEnds[2];
  Check(::pipe2(pipeEnds, O_CLOEXEC), "pipe2");
  UniqueFd watchEnd(pipeEnds[0]);
  UniqueFd parentEnd(pipeEnds[1]);

  const std::string linkText = link_.string();
  RelayEnds ends{.componentMaster = component.master.Get(),
                 .componentSlave = component.slave.Get(),
                 .readerMaster = reader.master.Get(),
                 .readerSlave = reader.slavePath.c_str(),
                 .link = linkText.c_str(),
                 .parentWatch = watchEnd.Get()};
  // Blocked across the fork so that the relay cannot be ended by a signal before it has set
  // up its own handling of them; the parent's mask is restored at once.
  sigset_t relaySignals, parentMask;
  ::sigemptyset(&relaySignals);
  for (int s : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) ::sigaddset(&relaySignals, s);
  ::pthread_sigmask(SIG_BLOCK, &relaySignals, &parentMask);
  const pid_t child = ::fork();
  if (child != 0) ::pthread_sigmask(SIG_SETMASK, &parentMask, nullptr);
  if (child < 0) ThrowErrno("fork");
  if (child == 0) {
    CloseAllExcept(std::array{ends.componentMaster, ends.componentSlave, ends.readerMaster, ends.parentWatch,
                              lock.Get()});
    VirtualPortRelay relay(ends);
    ::_exit(relay.Run());
  }
  relay_ = child;
  parentEnd_ = parentEnd.Release();
  // Published only now that the relay runs: however this process ends from here on, the
  // relay removes the link.
  try {
    PublishLink(reader.slavePath, link_);
  } catch (...) {
    StopRelay();
    throw;
  }
  devicePath_ = component.slavePath;
  SetVirtualPortDevice(portName_, devicePath_);
}

VirtualPort::~VirtualPort() {
  SetVirtualPortDevice(portName_, {});
  StopRelay();
}

void VirtualPort::StopRelay() {
  ::close(parentEnd_);
  // The relay sees the end of the pipe at once and removes the link; a relay stopped by
  // someone (SIGSTOP) is not waited for without end.
  using namespace std::chrono;
  const auto deadline = steady_clock::now() + seconds(5);
  while (::waitpid(relay_, nullptr, WNOHANG) == 0) {
    if (steady_clock::now() > deadline) {
      ::kill(relay_, SIGKILL);
      ::waitpid(relay_, nullptr, 0);
      ::unlink(link_.c_str());
      break;
    }
    std::this_thread::sleep_for(milliseconds(1));
  }
}

}  // namespace kestrova
