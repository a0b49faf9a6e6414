// Time to turn a 1920 x 1080 picture into PNG bytes: the part of a report spent on its screenshot.
#include <benchmark/benchmark.h>

#include <random>

#include "excreport/screenshot/octree_quantizer.h"
#include "excreport/screenshot/png_encoder.h"

namespace kestrova {
namespace {

constexpr std::uint32_t Width = 1920;
constexpr std::uint32_t Height = 1080;

// Window-like content: flat areas, a gradient title bar and some noise standing in for text.
RgbImage DesktopLike() {
  RgbImage image{Width, Height,
                 std::vector<RgbColor>(std::size_t(Width) * Height, {236, 236, 236})};
  std::mt19937 random(1);
  for (std::uint32_t y = 0; y < Height; ++y) {
    for (std::uint32_t x = 0; x < Width; ++x) {
      if (y < 30)
        image.At(x, y) = {static_cast<std::uint8_t>(x * 255 / Width), 80, 200};
      else if ((y / 16) % 3 == 0 && random() % 4 == 0)
        image.At(x, y) = {20, 20, 20};
    }
  }
  return image;
}

RgbImage Noise() {
  RgbImage image{Width, Height, std::vector<RgbColor>(std::size_t(Width) * Height)};
  std::mt19937 random(2);
  for (RgbColor& p : image.Pixels) {
    p = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
         static_cast<std::uint8_t>(random())};
  }
  return image;
}

void Reduce(benchmark::State& state, const RgbImage& image) {
  for (auto _ : state) benchmark::DoNotOptimize(ReduceTo256Colors(image));
}

void Encode(benchmark::State& state, const RgbImage& image) {
  const PalettedImage reduced = ReduceTo256Colors(image);
  std::size_t bytes = 0;
  for (auto _ : state) bytes = EncodePng(reduced)->size();
  state.counters["png_bytes"] = static_cast<double>(bytes);
}

BENCHMARK_CAPTURE(Reduce, desktop, DesktopLike())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reduce, noise, Noise())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, desktop, DesktopLike())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, noise, Noise())->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrova
