// The process-wide pseudo-random generator and the random reading built from it.
#pragma once

#include <cstdint>

namespace kestrova {

// State of the generator: 0 at process start and never seeded, so every run draws the same
// sequence. Shared by the whole process and used without a lock (GUI thread and exception
// handling only). Tests put it back to 0 to start a fresh sequence.
extern std::uint32_t RandomSeed;

// Advances RandomSeed and returns floor(RandomSeed * n / 2^32), where n is Range taken as an
// unsigned 32-bit number: in [0, Range - 1] for a positive Range, 0 for Range 0.
std::int32_t RandomBelow(std::int32_t range);

// low + RandomBelow(high - low), the difference and the sum wrapping in 32 bits. The upper
// bound is never drawn; an upper bound below the lower one wraps the range round.
std::int32_t RandomReading(std::int32_t low, std::int32_t high);

}  // namespace kestrova
