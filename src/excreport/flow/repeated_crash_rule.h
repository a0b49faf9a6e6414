// The repeated-crash rule: too many handled exceptions within a few minutes end the program.
#pragma once

#include <cstdint>
#include <vector>

namespace kestrova {

// Appends `nowSeconds` (Unix time, whole seconds) to the crash times and drops the oldest
// entries beyond `count` (none are kept for a count of 0 or less).
void NoteCrashTime(std::vector<std::int64_t>& times, std::int64_t nowSeconds, std::int32_t count);

// True when the list holds exactly `count` times and the first and the last lie at most
// `minutes` apart.
bool IsRepeatedCrash(const std::vector<std::int64_t>& times, std::int32_t count, std::int32_t minutes);

}  // namespace kestrova
