// A virtual port as a reading program sees it: the real program runs headless on a virtual
// COM2 while this reader, at the published link, stamps each frame's arrival. For 400 frames
// it prints the frames per second and the median, 99th percentile and largest interval
// between frames (the loop aims at one frame every 50 ms; --interval changes that).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kFrames = 400;

fs::path scratch;

pid_t StartHeadless(int intervalMs) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);  // its frames and its note on where to read
    ::dup2(null, 2);
    const std::string interval = std::to_string(intervalMs);
    ::execl(KESTROVA_BINARY, KESTROVA_BINARY, "--headless", "--interval", interval.c_str(), nullptr);
    ::_exit(127);
  }
  return pid;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

void BM_VirtualPortReader(benchmark::State& state) {
  const fs::path link = scratch / "runtime" / "kestrova" / "COM2";
  std::vector<double> intervals;
  double framesPerSecond = 0;
  for (auto _ : state) {
    const pid_t kestrova = StartHeadless(static_cast<int>(state.range(0)));
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!fs::is_symlink(link) && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    std::vector<Clock::time_point> stamps;
    char chunk[512];
    while (fd >= 0 && static_cast<int>(stamps.size()) <= kFrames &&
           Clock::now() < deadline + std::chrono::seconds(60)) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 1000) <= 0) continue;
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      const Clock::time_point now = Clock::now();
      for (ssize_t i = 0; i < n; ++i) {
        if (chunk[i] == '\r') stamps.push_back(now);
      }
    }
    if (fd >= 0) ::close(fd);
    ::kill(kestrova, SIGTERM);
    ::waitpid(kestrova, nullptr, 0);
    if (static_cast<int>(stamps.size()) <= kFrames) {
      state.SkipWithError("the reader got too few frames");
      return;
    }
    // The first frame may have been on its way when the reader came: intervals from there on.
    for (int i = 1; i <= kFrames; ++i) {
      intervals.push_back(std::chrono::duration<double, std::milli>(stamps[i] - stamps[i - 1]).count());
    }
    framesPerSecond = kFrames / std::chrono::duration<double>(stamps[kFrames] - stamps[0]).count();
  }
  state.counters["frames_per_s"] = framesPerSecond;
  state.counters["median_ms"] = Percentile(intervals, 0.5);
  state.counters["p99_ms"] = Percentile(intervals, 0.99);
  state.counters["max_ms"] = *std::max_element(intervals.begin(), intervals.end());
}
BENCHMARK(BM_VirtualPortReader)
    ->ArgName("interval_ms")
    ->Arg(50)
    ->Arg(10)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // A private environment: the bench never touches the user's port map or runtime folder.
  scratch = fs::temp_directory_path() / ("kestrova-bench-" + std::to_string(::getpid()));
  fs::create_directories(scratch / "config" / "kestrova");
  fs::create_directories(scratch / "runtime");
  ::chmod((scratch / "runtime").c_str(), 0700);
  std::ofstream(scratch / "config" / "kestrova" / "ports.conf") << "COM2 = virtual\n";
  ::setenv("XDG_RUNTIME_DIR", (scratch / "runtime").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
  ::setenv("HOME", scratch.c_str(), 1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(scratch);
  return 0;
}
