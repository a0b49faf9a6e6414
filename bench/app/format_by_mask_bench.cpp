// FormatByMask against snprintf producing the same texts from the same values. Prints the time
// per call of each and, at the end, the ratio FormatByMask / snprintf per mask (aim: <= 2),
// from CPU time because the machine is shared and wall time includes waiting for a core.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/format_by_mask.h"
#include "app/format_separators.h"
#include "app/random_below.h"

namespace {

using kestrova::FormatByMask;

// Readings as the transmit loop draws them, and amounts with cents and grouping.
std::vector<long double> Readings() {
  std::vector<long double> values;
  kestrova::RandomSeed = 0;
  for (int i = 0; i < 256; ++i) values.push_back(kestrova::RandomReading(20000, 20500));
  return values;
}

std::vector<long double> Amounts() {
  std::vector<long double> values;
  // Thousandths of 3 keep every value clear of a rounding tie, where the 18-digit decimal
  // rounding and snprintf's rounding of the exact binary value may differ.
  for (int i = 0; i < 256; ++i) values.push_back((100000 + i * 791912LL + i * i * 133777LL) / 100.0L + 0.003L);
  return values;
}

std::string PrintfReading(long double value) {
  char text[64];
  const int length = std::snprintf(text, sizeof text, "_%06.0Lf_", value);
  return std::string(text, static_cast<std::size_t>(length));
}

std::string PrintfAmount(long double value) {
  // snprintf has no grouping in the C locale: the "," go in while copying its digits.
  char plain[64];
  const int length = std::snprintf(plain, sizeof plain, "%.2Lf", value);
  const int integerDigits = length - 3 - (plain[0] == '-' ? 1 : 0);
  char text[96];
  int out = 0;
  int in = 0;
  if (plain[0] == '-') text[out++] = plain[in++];
  for (int i = 0; i < integerDigits; ++i) {
    text[out++] = plain[in++];
    const int left = integerDigits - 1 - i;
    if (left > 0 && left % 3 == 0) text[out++] = ',';
  }
  while (in < length) text[out++] = plain[in++];
  return std::string(text, static_cast<std::size_t>(out));
}

using Formatter = std::string (*)(long double);

void Register(const std::string& mask, std::vector<long double> values, Formatter printfFormatter) {
  for (long double value : values) {
    if (FormatByMask(mask, value) != printfFormatter(value)) {
      std::fprintf(stderr, "different texts for %s: %s / %s\n", mask.c_str(),
                   FormatByMask(mask, value).c_str(), printfFormatter(value).c_str());
      std::exit(1);
    }
  }
  benchmark::RegisterBenchmark(("FormatByMask/" + mask).c_str(), [mask, values](benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
      benchmark::DoNotOptimize(FormatByMask(mask, values[i]));
      i = (i + 1) & 255;
    }
  });
  benchmark::RegisterBenchmark(("snprintf/" + mask).c_str(), [values, printfFormatter](benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
      benchmark::DoNotOptimize(printfFormatter(values[i]));
      i = (i + 1) & 255;
    }
  });
}

// The console report, then one ratio line per mask.
class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration) nanoseconds_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [name, ns] : nanoseconds_) {
      if (name.rfind("FormatByMask/", 0) != 0) continue;
      const std::string mask = name.substr(13);
      const auto other = nanoseconds_.find("snprintf/" + mask);
      if (other == nanoseconds_.end()) continue;
      std::printf("ratio FormatByMask / snprintf for \"%s\" (CPU time): %.1f ns / %.1f ns = %.2f (target <= 2)\n",
                  mask.c_str(), ns, other->second, ns / other->second);
    }
  }

 private:
  std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  kestrova::DecimalSeparator = '.';
  kestrova::ThousandsSeparator = ',';
  Register("_000000_", Readings(), PrintfReading);
  Register("#,##0.00", Amounts(), PrintfAmount);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
