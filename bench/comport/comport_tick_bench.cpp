// One transmit tick's port work on a pseudo-terminal (open, configure, start and end of the
// event wait, write 9 bytes, close) against a bare open / tcsetattr / write / close of the same
// device. Prints both medians and their ratio; never fails.
#include "comport/com_port.h"
#include "support/pseudo_terminal_pair.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
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

}  // namespace

int main() {
  // COM3 in a private port map; the port holds the only slave descriptor.
  kestrova::support::PseudoTerminalPair line("COM3");
  if (line.Master() < 0) return 1;
  line.CloseSlave();
  const char* name = line.Path().c_str();

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
    if (::write(fd, kFrame.data(), kFrame.size()) != static_cast<ssize_t>(kFrame.size())) std::perror("write");
    ::close(fd);
  };

  std::vector<double> portSamples, bareSamples;
  Time(portSamples, line, portTick);  // warm-up, dropped
  Time(bareSamples, line, bareTick);
  portSamples.clear();
  bareSamples.clear();
  for (int round = 0; round < kRounds; ++round) {
    Time(portSamples, line, portTick);
    Time(bareSamples, line, bareTick);
  }
  const double portMedian = Median(portSamples), bareMedian = Median(bareSamples);
  std::printf("port tick (open, configure, event wait, write 9 bytes, close):   median %.1f us\n", portMedian);
  std::printf("bare open / tcsetattr / write / close:                            median %.1f us\n", bareMedian);
  std::printf("ratio %.2f (target <= 1.5), port median %.3f ms (target < 1 ms), %zu ticks each\n",
              portMedian / bareMedian, portMedian / 1000.0, portSamples.size());
  return 0;
}
