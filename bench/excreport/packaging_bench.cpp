// Packs about 10 MB of mixed report files with PackFiles and with "tar -cf - | gzip -9",
// in the same run, and prints the seconds of each and their ratios.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "excreport/delivery/pack_files.h"

namespace {

namespace fs = std::filesystem;
using kestrova::PackFiles;

struct Workload {
  fs::path folder;
  std::vector<std::string> names;  // relative to folder
  std::uint64_t bytes = 0;
};

struct Measured {
  double bestSeconds = std::numeric_limits<double>::infinity();
  std::uintmax_t archiveBytes = 0;
};

Measured ours, theirs;

void WriteFile(Workload& w, const std::string& name, const std::string& bytes) {
  std::ofstream(w.folder / name, std::ios::binary) << bytes;
  w.names.push_back(name);
  w.bytes += bytes.size();
}

// A report-like mix: a long log, an XML copy, a raw screenshot-like image, noise (already
// compressed data such as a PNG), and many small text files. 10 MiB in all.
Workload MakeWorkload() {
  Workload w;
  std::string pattern = (fs::temp_directory_path() / "kestrova-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  w.folder = pattern;
  std::uint32_t state = 12345;
  const auto next = [&state] { return state = state * 1664525 + 1013904223; };

  std::string log;
  for (int i = 0; log.size() < 3u << 20; ++i) {
    log += "Date: 2024-03-01 12:34:" + std::to_string(i % 60) + "\r\nAddress: 0x" +
           std::to_string(0x401000 + next() % 4096) + "\r\nMessage: Access violation at address " +
           std::to_string(next() % 100000) + " in module 'kestrova'. Read of address 0\r\n";
  }
  log.resize(3u << 20);
  WriteFile(w, "Kestrova.qmf", log);

  std::string xml;
  for (int i = 0; xml.size() < 2u << 20; ++i) {
    xml += "  <Line Unit=\"UMain\" Procedure=\"TFMain.Timer1Timer\" Line=\"" +
           std::to_string(next() % 500) + "\" Address=\"" + std::to_string(next() % 65536) +
           "\"/>\n";
  }
  xml.resize(2u << 20);
  WriteFile(w, "Kestrova.xml", xml);

  std::string image(3u << 20, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) {
    image[i] = static_cast<char>((i % 4096) / 16 + (next() >> 29));  // gradient with noise
  }
  WriteFile(w, "Screenshot.bmp", image);

  std::string noise(1u << 20, '\0');
  for (char& c : noise) c = static_cast<char>(next() >> 24);
  WriteFile(w, "Screenshot.png", noise);

  const std::uint64_t left = (10u << 20) - w.bytes;
  for (int i = 0; i < 64; ++i) {
    std::string text;
    while (text.size() < left / 64) text += "Extra file " + std::to_string(i) + " line " +
                                            std::to_string(next() % 1000) + "\n";
    text.resize(left / 64);
    WriteFile(w, "extra" + std::to_string(i) + ".txt", text);
  }
  return w;
}

Workload& TheWorkload() {
  static Workload w = MakeWorkload();
  return w;
}

void Record(Measured& m, double seconds, const fs::path& archive) {
  m.bestSeconds = std::min(m.bestSeconds, seconds);
  m.archiveBytes = fs::file_size(archive);
}

void BM_PackFiles(benchmark::State& state) {
  Workload& w = TheWorkload();
  std::vector<std::string> paths;
  for (const auto& name : w.names) paths.push_back((w.folder / name).string());
  const fs::path archive = w.folder / "ours.tgz";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    PackFiles(archive, paths, "");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    Record(ours, took.count(), archive);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * w.bytes));
  state.counters["archive_bytes"] = static_cast<double>(ours.archiveBytes);
}

void BM_TarGzip9(benchmark::State& state) {
  Workload& w = TheWorkload();
  std::string command = "tar -cf - -C '" + w.folder.string() + "'";
  for (const auto& name : w.names) command += " '" + name + "'";
  const fs::path archive = w.folder / "theirs.tgz";
  command += " | gzip -9 > '" + archive.string() + "'";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) state.SkipWithError("tar | gzip failed");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    Record(theirs, took.count(), archive);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * w.bytes));
  state.counters["archive_bytes"] = static_cast<double>(theirs.archiveBytes);
}

BENCHMARK(BM_PackFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TarGzip9)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const Workload& w = TheWorkload();
  std::printf("\n%zu files, %.2f MiB\n", w.names.size(), static_cast<double>(w.bytes) / (1 << 20));
  std::printf("PackFiles      best %.3f s, archive %ju bytes\n", ours.bestSeconds,
              ours.archiveBytes);
  std::printf("tar | gzip -9  best %.3f s, archive %ju bytes\n", theirs.bestSeconds,
              theirs.archiveBytes);
  std::printf("ratio PackFiles / tar|gzip -9: time %.3f, size %.4f\n",
              ours.bestSeconds / theirs.bestSeconds,
              static_cast<double>(ours.archiveBytes) / static_cast<double>(theirs.archiveBytes));
  std::error_code ignored;
  fs::remove_all(w.folder, ignored);
  return 0;
}
