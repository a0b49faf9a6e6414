// The transmit loop's rhythm as the peer sees it: the window runs its loop (offscreen) on a
// pseudo-terminal mapped as COM2 for 400 ticks, while a thread on the other side stamps each
// frame's arrival. Prints the median and the 99th percentile of the intervals between frames
// (aim: median within 1 ms of 50 ms, p99 below 53 ms), once for each Qt timer type, and the
// time from a tick's start to its frame at the peer.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/main_form.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTicks = 400;

kestrova::TApplication* application = nullptr;

// Reads the master side until stopped, stamping every byte 13 that arrives; ends the event
// loop once kTicks frames have come.
class Peer final {
 public:
  Peer(int master, QEventLoop& loop) : master_(master), loop_(loop), thread_([this] { Run(); }) {}
  ~Peer() { Finish(); }
  std::size_t Frames() const { return frames_.load(); }
  // Stops reading; the arrival times of the frames.
  const std::vector<Clock::time_point>& Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return stamps_;
  }

 private:
  void Run() {
    stamps_.reserve(kTicks + 16);
    char chunk[256];
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = ::read(master_, chunk, sizeof chunk);
      const Clock::time_point now = Clock::now();
      for (ssize_t i = 0; i < n; ++i) {
        if (chunk[i] != '\r') continue;
        stamps_.push_back(now);
        if (++frames_ == kTicks)
          QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
      }
    }
  }

  int master_;
  QEventLoop& loop_;
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> frames_{0};
  std::vector<Clock::time_point> stamps_;
  std::thread thread_;
};

// Stamps each tick as its timer event reaches the timer, before the tick runs.
class TickStamps final : public QObject {
 public:
  explicit TickStamps(QTimer* timer) { timer->installEventFilter(this); }
  const std::vector<Clock::time_point>& Stamps() const { return stamps_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Timer) stamps_.push_back(Clock::now());
    return QObject::eventFilter(watched, event);
  }

 private:
  std::vector<Clock::time_point> stamps_;
};

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[index];
}

void BM_TransmitLoop(benchmark::State& state) {
  const auto timerType = static_cast<Qt::TimerType>(state.range(0));
  int master = -1, slave = -1;
  char name[128] = {};
  if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    state.SkipWithError("openpty failed");
    return;
  }
  const std::filesystem::path config = std::getenv("XDG_CONFIG_HOME");
  std::ofstream(config / "kestrova" / "ports.conf") << "COM2 = " << name << "\n";

  std::vector<double> intervals, latencies;
  for (auto _ : state) {
    kestrova::TFMain window(*application);
    auto* timer = window.findChild<QTimer*>("Timer1");
    timer->setTimerType(timerType);
    TickStamps ticks(timer);
    window.show();
    // The application's own event loop, as in the program: a polling wait such as
    // QTest::qWaitFor sleeps 10 ms between rounds and would delay the ticks itself.
    QEventLoop loop;
    Peer peer(master, loop);
    QTimer::singleShot(kTicks * 200, &loop, &QEventLoop::quit);
    window.findChild<QPushButton*>("Button1")->click();
    loop.exec();
    if (peer.Frames() < kTicks) state.SkipWithError("the loop stalled");
    window.findChild<QPushButton*>("Button1")->click();
    const std::vector<Clock::time_point>& stamps = peer.Finish();
    const std::size_t frames = std::min<std::size_t>(stamps.size(), kTicks);
    for (std::size_t i = 1; i < frames; ++i)
      intervals.push_back(Milliseconds(stamps[i] - stamps[i - 1]));
    // Every tick sends one frame, so frame i belongs to tick i.
    for (std::size_t i = 0; i < std::min(frames, ticks.Stamps().size()); ++i)
      latencies.push_back(Milliseconds(stamps[i] - ticks.Stamps()[i]));
  }
  ::close(slave);
  ::close(master);
  if (intervals.empty()) return;
  state.counters["median_ms"] = Percentile(intervals, 0.5);
  state.counters["p99_ms"] = Percentile(intervals, 0.99);
  state.counters["max_ms"] = *std::max_element(intervals.begin(), intervals.end());
  // From the tick's start to the frame at the peer: opening, configuring, writing.
  state.counters["tick_to_frame_median_ms"] = Percentile(latencies, 0.5);
  state.counters["tick_to_frame_p99_ms"] = Percentile(latencies, 0.99);
}
BENCHMARK(BM_TransmitLoop)
    ->ArgName("timer")  // 0 precise, 1 coarse
    ->Arg(Qt::PreciseTimer)
    ->Arg(Qt::CoarseTimer)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // A private, offscreen environment: the bench never touches the user's port map or display.
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("kestrova-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(scratch / "config" / "kestrova");
  std::filesystem::create_directories(scratch / "runtime");
  ::chmod((scratch / "runtime").c_str(), 0700);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::setenv("XDG_RUNTIME_DIR", (scratch / "runtime").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);

  benchmark::Initialize(&argc, argv);
  {
    kestrova::TApplication app(argc, argv);
    application = &app;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  }
  std::filesystem::remove_all(scratch);
  return 0;
}
