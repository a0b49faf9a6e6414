#include "app/random_below.h"

namespace kestrova {

std::uint32_t RandomSeed = 0;

std::int32_t RandomBelow(std::int32_t range) {
  RandomSeed = RandomSeed * 134775813u + 1u;  // modulo 2^32 through unsigned wrap-around
  const std::uint64_t product =
      static_cast<std::uint64_t>(RandomSeed) * static_cast<std::uint32_t>(range);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(product >> 32));
}

std::int32_t RandomReading(std::int32_t low, std::int32_t high) {
  const std::uint32_t span = static_cast<std::uint32_t>(high) - static_cast<std::uint32_t>(low);
  const std::uint32_t drawn = static_cast<std::uint32_t>(RandomBelow(static_cast<std::int32_t>(span)));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(low) + drawn);
}

}  // namespace kestrova
