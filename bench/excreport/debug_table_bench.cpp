// Debug table: size and layout of the kestrova executable's table, and the cost of a lookup.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

#include "dwarf_table_reader.h"
#include "excreport/options/data_block.h"
#include "excreport/options/debug_protection.h"
#include "excreport/options/elf_file.h"
#include "excreport/options/module_data.h"

namespace kestrova {
namespace {

// The table of the bench binary itself: far larger than the program's, so lookups meet a
// realistic spread of functions and lines; 10,000 addresses picked inside its functions.
struct LookupFixture {
  std::optional<TQuillDebugInfo> Info;
  std::vector<std::uint32_t> Addresses;
};

const LookupFixture& OwnTable() {
  static const LookupFixture fixture = [] {
    LookupFixture made;
    std::optional<DebugTableSource> source = ReadDwarfTable("/proc/self/exe");
    std::mt19937 random(7);
    for (int i = 0; i < 10000; ++i) {
      const auto& f = source->Functions[random() % source->Functions.size()];
      made.Addresses.push_back(f.Start + static_cast<std::uint32_t>(random() % (f.End - f.Start)));
    }
    made.Info = TQuillDebugInfo::Decode(EncodeDebugTable(std::move(*source)));
    return made;
  }();
  return fixture;
}

void BM_Lookup10000Addresses(benchmark::State& state) {
  const std::vector<std::uint32_t>& addresses = OwnTable().Addresses;
  const TQuillDebugInfo& info = *OwnTable().Info;
  std::size_t resolved = 0;
  for (auto _ : state) {
    for (std::uint32_t address : addresses) {
      std::optional<DebugLocation> location = info.Lookup(address);
      resolved += location.has_value();
      benchmark::DoNotOptimize(location);
    }
  }
  state.counters["ns_per_lookup"] = benchmark::Counter(static_cast<double>(state.iterations() * addresses.size()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["functions"] = static_cast<double>(info.FunctionCount());
  state.counters["lines"] = static_cast<double>(info.LineCount());
  state.counters["resolved_share"] = static_cast<double>(resolved) / static_cast<double>(state.iterations() * addresses.size());
}
BENCHMARK(BM_Lookup10000Addresses)->Unit(benchmark::kMicrosecond);

void PrintTableLayout(const char* path) {
  std::optional<std::string> block = ReadElfSection(path, kDataBlockSectionName);
  std::optional<DataBlock> decoded = block ? DecodeDataBlock(*block) : std::nullopt;
  std::optional<DebugTableSource> source = ReadDwarfTable(path);
  if (!decoded || !source) {
    std::printf("%s: no data block\n", path);
    return;
  }
  DebugCipher cipher;
  cipher.SetCipherKey("");
  std::optional<std::string> table = UnprotectDebugInfo(decoded->DebugInfo, cipher);
  const std::size_t functions = source->Functions.size() * 20, lines = source->Lines.size() * 12;
  std::printf("kestrova data block: %zu bytes (options %zu bytes inflated)\n", block->size(), decoded->Options.size());
  std::printf("debug information stored: %zu bytes (deflated, enciphered)\n", decoded->DebugInfo.size());
  if (table) {
    std::printf("debug table inflated: %zu bytes = header+build-id %zu, string pool+counts %zu, functions %zu x 20 = %zu, lines %zu x 12 = %zu\n",
                table->size(), 7 + source->BuildId.size(), table->size() - 7 - source->BuildId.size() - functions - lines,
                source->Functions.size(), functions, source->Lines.size(), lines);
  }
}

}  // namespace
}  // namespace kestrova

int main(int argc, char** argv) {
  kestrova::PrintTableLayout(KESTROVA_EXECUTABLE);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
