// CRC-32 of PNG chunks: polynomial 0xEDB88320 (reflected), initial value all ones, final
// complement.
#pragma once

#include <cstdint>
#include <span>

namespace kestrova {

// The CRC of Bytes continuing from Previous, the CRC of what came before (0 to start).
// Pure; callable from any thread.
std::uint32_t PngCrc32(std::span<const std::uint8_t> Bytes, std::uint32_t Previous = 0);

}  // namespace kestrova
