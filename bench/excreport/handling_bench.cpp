// The cost of the throw-site hook on a throw and catch across 20 frames, and the time from an
// exception to its finished report text while 5 other threads run.
#include <benchmark/benchmark.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "excreport/capture/throw_site.h"
#include "excreport/flow/exception_manager.h"
#include "excreport/flow/exception_reporting.h"
#include "excreport/flow/handler_state.h"

namespace {

using namespace kestrova;

__attribute__((noinline)) int ThrowAtDepth(int depth) {
  if (depth == 0) throw std::runtime_error("deep");
  const int result = ThrowAtDepth(depth - 1);
  benchmark::DoNotOptimize(result);
  return result + 1;
}

void BM_ThrowCatch20Frames(benchmark::State& state) {
  const bool hook = state.range(0) != 0;
  if (hook)
    InstallThrowHook();
  else
    RemoveThrowHook();
  for (auto _ : state) {
    try {
      ThrowAtDepth(20);
    } catch (const std::runtime_error& error) {
      benchmark::DoNotOptimize(&error);
    }
  }
  RemoveThrowHook();
}
BENCHMARK(BM_ThrowCatch20Frames)->ArgName("hook")->Arg(0)->Arg(1);

// The whole handling of one exception with the report shown nowhere and not logged: stacks of
// the exception thread and of 5 waiting threads, the collectors, the report text.
void BM_ExceptionToReportText(benchmark::State& state) {
  StartExceptionReporting();
  if (TheHandlerState() == nullptr) {
    state.SkipWithError("the benchmark carries no valid data block");
    return;
  }
  TQuillModuleOptionsEx& options = CurrentModuleOptions();
  options.SetDialogFlags(options.DialogFlags() & ~0x01);
  options.SetWriteLogFile(false);
  options.SetStackFlags(0x0F);
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < 5; ++i)
    threads.emplace_back([&] {
      while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
  InstallThrowHook();
  for (auto _ : state) {
    try {
      ThrowAtDepth(5);
    } catch (...) {
      const std::exception_ptr exception = std::current_exception();
      benchmark::DoNotOptimize(ExceptionManager(&exception, 0, 0, 0));
    }
  }
  stop = true;
  for (std::thread& thread : threads) thread.join();
  StopExceptionReporting();
}
BENCHMARK(BM_ExceptionToReportText)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
