// Soak: the main window's port opened and closed on a pseudo-terminal 100,000 times (all ten
// events, so each cycle starts and stops the event thread). Prints open descriptors, threads
// and resident memory every tenth of the run; they must stay flat. Never fails a build.
// Usage: port_cycle_soak [CYCLES]   (100000 by default)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "comport/com_port.h"
#include "support/pseudo_terminal_pair.h"

namespace {

namespace fs = std::filesystem;

long StatusField(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with(field + ":")) return std::atol(line.c_str() + field.size() + 1);
  return -1;
}

long OpenDescriptors() {
  long count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count - 1;  // the iterator's own
}

}  // namespace

int main(int argc, char** argv) {
  const long cycles = argc > 1 ? std::atol(argv[1]) : 100000;
  // COM3 in a private port map; the port holds the only slave descriptor.
  kestrova::support::PseudoTerminalPair line("COM3");
  if (line.Master() < 0) return 1;
  line.CloseSlave();

  kestrova::TComPort port;
  port.SetPort("COM3");
  port.SetEvents(kestrova::kAllComEvents);
  port.SetSyncMethod(kestrova::TSyncMethod::smNone);

  long firstFds = 0, firstThreads = 0, firstRss = 0, maxFds = 0, maxThreads = 0, maxRss = 0;
  const auto start = std::chrono::steady_clock::now();
  std::printf("%8s %6s %8s %10s\n", "cycles", "fds", "threads", "RSS kB");
  for (long cycle = 1; cycle <= cycles; ++cycle) {
    port.SetConnected(true);
    port.SetConnected(false);
    if (cycle % (cycles / 10 > 0 ? cycles / 10 : 1) != 0 && cycle != 1000) continue;
    const long fds = OpenDescriptors(), threads = StatusField("Threads"),
               rss = StatusField("VmRSS");
    std::printf("%8ld %6ld %8ld %10ld\n", cycle, fds, threads, rss);
    // The first thousand cycles warm up the allocator and Qt's thread data.
    if (cycle == 1000) firstFds = fds, firstThreads = threads, firstRss = rss;
    if (cycle >= 1000) {
      maxFds = std::max(maxFds, fds), maxThreads = std::max(maxThreads, threads);
      maxRss = std::max(maxRss, rss);
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf(
      "%ld cycles in %.1f s (%.0f us each); from cycle 1000 on: fds %ld -> max %ld, threads %ld -> "
      "max %ld, "
      "RSS %ld -> max %ld kB\n",
      cycles, seconds, seconds * 1e6 / static_cast<double>(cycles), firstFds, maxFds, firstThreads,
      maxThreads, firstRss, maxRss);
  return 0;
}
