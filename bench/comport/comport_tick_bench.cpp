// One transmit tick's port work on a pseudo-terminal (open, configure, start and end of the
// event wait, write 9 bytes, close) against a bare open / tcsetattr / write / close of the same
// device, and against the system calls the port's guarantees need, made with nothing around
// them. Prints the three medians and the ratios to bare; never fails.
#include "comport/com_port.h"
#include "support/pseudo_terminal_pair.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 20;
constexpr int kPerRound = 100;  // ticks of each kind per round, alternating, so drift hits both
const std::string kFrame = "12345.67\r";

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Time(std::vector<double>& samples, kestrova::support::PseudoTerminalPair& line,
          const std::function<void()>& tick) {
  for (int i = 0; i < kPerRound; ++i) {
    auto start = Clock::now();
    tick();
    samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    line.TakeReceived();
  }
}

void WriteFrame(int fd) {
  if (::write(fd, kFrame.data(), kFrame.size()) != static_cast<ssize_t>(kFrame.size())) std::perror("write");
}

}  // namespace

int main() {
  // COM3 in a private port map; the port holds the only slave descriptor.
  kestrova::support::PseudoTerminalPair line("COM3");
  if (line.Master() < 0) return 1;
  line.CloseSlave();
  const char* name = line.Path().c_str();
  // A map written moments ago is read again at every open until its stamps are old enough to
  // show a later change; the ticks measured here are those of a map that has settled.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  // The main window's port: all ten events, processed on the event thread.
  kestrova::TComPort port;
  port.SetPort("COM3");
  port.SetSyncMethod(kestrova::TSyncMethod::smNone);
  auto portTick = [&] {
    port.SetConnected(true);
    port.SendText(kFrame);
    port.SetConnected(false);
  };

  termios raw{};
  {
    int fd = ::open(name, O_RDWR | O_NOCTTY);
    ::tcgetattr(fd, &raw);
    ::close(fd);
  }
  cfmakeraw(&raw);
  cfsetspeed(&raw, B9600);
  auto bareTick = [&] {
    int fd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ::tcsetattr(fd, TCSANOW, &raw);
    WriteFrame(fd);
    ::close(fd);
  };

  // What the port cannot do without: an exclusive open (flock and TIOCEXCL), input that arrived
  // before discarded, the descriptor watched for input while open (so that bytes received before
  // a hangup can still be read), the settings read to compare, and the end of the event wait
  // emptying the input. These are the calls the port tick makes on a pseudo-terminal, bar the
  // look at the port map.
  const int epoll = ::epoll_create1(EPOLL_CLOEXEC);
  auto guaranteesTick = [&] {
    int fd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ::flock(fd, LOCK_EX | LOCK_NB);
    ::ioctl(fd, TIOCEXCL);
    ::tcflush(fd, TCIFLUSH);
    epoll_event watch{.events = EPOLLIN, .data = {.u64 = 1}};
    ::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &watch);
    termios current{};
    ::tcgetattr(fd, &current);
    WriteFrame(fd);
    ::tcflush(fd, TCIFLUSH);
    ::epoll_ctl(epoll, EPOLL_CTL_DEL, fd, nullptr);
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
  };

  std::vector<double> portSamples, bareSamples, guaranteesSamples;
  Time(portSamples, line, portTick);  // warm-up, dropped
  Time(bareSamples, line, bareTick);
  Time(guaranteesSamples, line, guaranteesTick);
  portSamples.clear();
  bareSamples.clear();
  guaranteesSamples.clear();
  for (int round = 0; round < kRounds; ++round) {
    Time(portSamples, line, portTick);
    Time(bareSamples, line, bareTick);
    Time(guaranteesSamples, line, guaranteesTick);
  }
  ::close(epoll);
  const double portMedian = Median(portSamples), bareMedian = Median(bareSamples);
  const double guaranteesMedian = Median(guaranteesSamples);
  std::printf("port tick (open, configure, event wait, write 9 bytes, close):   median %.1f us\n", portMedian);
  std::printf("bare open / tcsetattr / write / close:                            median %.1f us\n", bareMedian);
  std::printf("the port's guarantees in system calls alone:                      median %.1f us (ratio %.2f)\n",
              guaranteesMedian, guaranteesMedian / bareMedian);
  std::printf("ratio %.2f (target <= 1.5), port median %.3f ms (target < 1 ms), %zu ticks each\n",
              portMedian / bareMedian, portMedian / 1000.0, portSamples.size());
  return 0;
}
