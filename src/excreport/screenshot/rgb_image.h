// Plain pixel buffers shared by the screenshot's colour reduction and PNG writer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrova {

struct RgbColor {
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;

  friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

// A true-colour picture: Width x Height pixels, row by row from the top.
struct RgbImage {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::vector<RgbColor> Pixels;

  RgbColor& At(std::uint32_t X, std::uint32_t Y) {
    return Pixels[static_cast<std::size_t>(Y) * Width + X];
  }
  const RgbColor& At(std::uint32_t X, std::uint32_t Y) const {
    return Pixels[static_cast<std::size_t>(Y) * Width + X];
  }
};

// The same picture as indices into a palette of at most 256 colours.
struct PalettedImage {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  // Entries from ColorCount on are unused and stay black.
  std::array<RgbColor, 256> Palette{};
  std::size_t ColorCount = 0;
  std::vector<std::uint8_t> Indices;
};

}  // namespace kestrova
