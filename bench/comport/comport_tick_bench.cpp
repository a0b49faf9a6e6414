// One transmit tick's port work on a pseudo-terminal (open, configure, start and end of the
// event wait, write 9 bytes, close) against a bare open / tcsetattr / write / close of the same
// device. Prints both medians and their ratio; never fails.
#include "comport/com_port.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 20;
constexpr int kPerRound = 100;  // ticks of each kind per round, alternating, so drift hits both
const std::string kFrame = "12345.67\r";

void Drain(int master) {
  char buffer[256];
  while (::read(master, buffer, sizeof buffer) > 0) {
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Time(std::vector<double>& samples, int master, const std::function<void()>& tick) {
  for (int i = 0; i < kPerRound; ++i) {
    auto start = Clock::now();
    tick();
    samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    Drain(master);
  }
}

}  // namespace

int main() {
  int master = -1, slave = -1;
  char name[128] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    std::perror("openpty");
    return 1;
  }
  ::close(slave);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  auto config = std::filesystem::temp_directory_path() / ("kestrova-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(config / "kestrova");
  std::ofstream(config / "kestrova" / "ports.conf") << "COM3 = " << name << "\n";
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);

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
  Time(portSamples, master, portTick);  // warm-up, dropped
  Time(bareSamples, master, bareTick);
  portSamples.clear();
  bareSamples.clear();
  for (int round = 0; round < kRounds; ++round) {
    Time(portSamples, master, portTick);
    Time(bareSamples, master, bareTick);
  }
  const double portMedian = Median(portSamples), bareMedian = Median(bareSamples);
  std::printf("port tick (open, configure, event wait, write 9 bytes, close):   median %.1f us\n", portMedian);
  std::printf("bare open / tcsetattr / write / close:                            median %.1f us\n", bareMedian);
  std::printf("ratio %.2f (target <= 1.5), port median %.3f ms (target < 1 ms), %zu ticks each\n",
              portMedian / bareMedian, portMedian / 1000.0, portSamples.size());
  std::filesystem::remove_all(config);
  ::close(master);
  return 0;
}
