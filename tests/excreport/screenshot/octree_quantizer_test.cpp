#include "excreport/screenshot/octree_quantizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace kestrova {
namespace {

auto Key(RgbColor c) { return std::tuple(c.Red, c.Green, c.Blue); }

RgbImage ImageOf(std::uint32_t width, std::uint32_t height, std::vector<RgbColor> pixels) {
  return RgbImage{width, height, std::move(pixels)};
}

// Pixels drawn at random from a fixed set of colours, so every colour of the set appears.
RgbImage ScatteredImage(const std::vector<RgbColor>& colors, std::uint32_t width,
                        std::uint32_t height) {
  std::mt19937 random(7);
  std::vector<RgbColor> pixels(colors);
  pixels.resize(static_cast<std::size_t>(width) * height);
  for (std::size_t i = colors.size(); i < pixels.size(); ++i)
    pixels[i] = colors[random() % colors.size()];
  std::shuffle(pixels.begin(), pixels.end(), random);
  return ImageOf(width, height, std::move(pixels));
}

std::vector<RgbColor> RandomDistinctColors(std::size_t count) {
  std::mt19937 random(11);
  std::vector<RgbColor> colors;
  std::set<std::tuple<int, int, int>> seen;
  while (colors.size() < count) {
    const RgbColor c{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                     static_cast<std::uint8_t>(random())};
    if (seen.insert(Key(c)).second) colors.push_back(c);
  }
  return colors;
}

TEST(OctreeQuantizerTest, PicturesWithAtMost256ColoursKeepThemExactly) {
  const struct {
    const char* name;
    std::vector<RgbColor> colors;
  } cases[] = {
      {"one colour", {{10, 20, 30}}},
      // Colours apart only in their lowest bit part at the last level of the tree.
      {"lowest bits",
       {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {255, 255, 255}, {254, 255, 255}}},
      {"256 random colours", RandomDistinctColors(256)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RgbImage image = ScatteredImage(c.colors, 40, 30);
    const PalettedImage reduced = ReduceTo256Colors(image);
    ASSERT_EQ(reduced.ColorCount, c.colors.size());
    ASSERT_EQ(reduced.Indices.size(), image.Pixels.size());
    EXPECT_EQ(reduced.Width, 40u);
    EXPECT_EQ(reduced.Height, 30u);
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
      ASSERT_LT(reduced.Indices[i], reduced.ColorCount);
      ASSERT_EQ(Key(reduced.Palette[reduced.Indices[i]]), Key(image.Pixels[i])) << "pixel " << i;
    }
    for (std::size_t i = reduced.ColorCount; i < reduced.Palette.size(); ++i) {
      EXPECT_EQ(Key(reduced.Palette[i]), Key(RgbColor{})) << "unused entry " << i;
    }
  }
}

// 128 pairs of reds that share their last inner node, then a 257th colour under the first pair:
// the newest inner node of the deepest level (the pair 254/255) is the one folded, into its
// average, not the oldest (0/1) that the new colour joined.
TEST(OctreeQuantizerTest, FoldsTheNewestNodeOfTheDeepestLevel) {
  std::vector<RgbColor> pixels;
  for (int red = 0; red < 256; ++red) pixels.push_back({static_cast<std::uint8_t>(red), 0, 0});
  pixels.push_back({0, 0, 1});
  const PalettedImage reduced = ReduceTo256Colors(ImageOf(257, 1, pixels));

  ASSERT_EQ(reduced.ColorCount, 256u);
  auto colorOf = [&](std::size_t pixel) { return Key(reduced.Palette[reduced.Indices[pixel]]); };
  EXPECT_EQ(colorOf(0), Key({0, 0, 0}));
  EXPECT_EQ(colorOf(1), Key({1, 0, 0}));
  EXPECT_EQ(colorOf(256), Key({0, 0, 1}));
  EXPECT_EQ(colorOf(253), Key({253, 0, 0}));
  EXPECT_EQ(reduced.Indices[254], reduced.Indices[255]);
  EXPECT_EQ(colorOf(255), Key({254, 0, 0}));  // (254 + 255) / 2, truncated
  // Tree order: the first pair's node lists its children by index (000, 001, 100).
  EXPECT_EQ(Key(reduced.Palette[0]), Key({0, 0, 0}));
  EXPECT_EQ(Key(reduced.Palette[1]), Key({0, 0, 1}));
  EXPECT_EQ(Key(reduced.Palette[2]), Key({1, 0, 0}));
}

// Leaves never sit above level 2 (64 nodes there cannot exceed 256 leaves), so a pixel and its
// palette colour share a 64-wide cube: no channel is off by more than 63. A smooth picture does
// much better than that bound on average.
TEST(OctreeQuantizerTest, ManyColoursReduceTo256WithBoundedError) {
  std::mt19937 random(3);
  std::vector<RgbColor> noise(200 * 150);
  for (RgbColor& p : noise) {
    p = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
         static_cast<std::uint8_t>(random())};
  }
  std::vector<RgbColor> gradient;
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      gradient.push_back({static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                          static_cast<std::uint8_t>((x + y) / 2)});
    }
  }
  const struct {
    const char* name;
    RgbImage image;
    double meanErrorBound;
  } cases[] = {{"noise", ImageOf(200, 150, noise), 20.0},
               {"gradient", ImageOf(256, 256, gradient), 6.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PalettedImage reduced = ReduceTo256Colors(c.image);
    EXPECT_GT(reduced.ColorCount, 200u);
    EXPECT_LE(reduced.ColorCount, 256u);
    double totalError = 0;
    for (std::size_t i = 0; i < c.image.Pixels.size(); ++i) {
      const RgbColor want = c.image.Pixels[i];
      ASSERT_LT(reduced.Indices[i], reduced.ColorCount);
      const RgbColor got = reduced.Palette[reduced.Indices[i]];
      for (const auto& [a, b] : {std::pair{want.Red, got.Red}, std::pair{want.Green, got.Green},
                                 std::pair{want.Blue, got.Blue}}) {
        const int error = std::abs(int(a) - int(b));
        ASSERT_LE(error, 63) << "pixel " << i;
        totalError += error;
      }
    }
    const double meanError = totalError / (3.0 * c.image.Pixels.size());
    EXPECT_LT(meanError, c.meanErrorBound);
    std::printf("%s: %zu colours, mean channel error %.2f\n", c.name, reduced.ColorCount,
                meanError);
  }
}

TEST(OctreeQuantizerTest, EmptyPictureGivesEmptyPalette) {
  const PalettedImage reduced = ReduceTo256Colors(RgbImage{});
  EXPECT_EQ(reduced.ColorCount, 0u);
  EXPECT_TRUE(reduced.Indices.empty());
}

}  // namespace
}  // namespace kestrova
