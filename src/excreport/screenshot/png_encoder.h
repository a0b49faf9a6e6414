// Palette PNG encoding of a picture with at most 256 colours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "excreport/screenshot/rgb_image.h"

namespace kestrova {

// Longest "IDAT" chunk written; a longer compressed stream is cut into several chunks.
inline constexpr std::size_t MaxIdatLength = 0x3FFFF;

// The bytes of a PNG file for Image: the signature, "IHDR" (bit depth 8, colour type 3, no
// interlace), "PLTE" with all 256 palette entries, the rows from the top, each a filter byte 0
// and Width indices, deflated by zlib at level 9 and cut into "IDAT" chunks of at most
// MaxIdatLength bytes, and an empty "IEND".
// Returns nothing when the picture is empty, larger than PNG allows, its indices do not match
// its size, or zlib fails. Pure; callable from any thread.
std::optional<std::vector<std::uint8_t>> EncodePng(const PalettedImage& Image);

}  // namespace kestrova
