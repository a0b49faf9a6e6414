#include "excreport/screenshot/png_crc.h"

#include <array>

namespace kestrova {
namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> CrcTable = MakeTable();

}  // namespace

std::uint32_t PngCrc32(std::span<const std::uint8_t> Bytes, std::uint32_t Previous) {
  std::uint32_t c = Previous ^ 0xFFFFFFFFu;
  for (const std::uint8_t byte : Bytes) c = CrcTable[(c ^ byte) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

}  // namespace kestrova
