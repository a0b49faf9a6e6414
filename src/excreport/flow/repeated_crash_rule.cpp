#include "excreport/flow/repeated_crash_rule.h"

namespace kestrova {

void NoteCrashTime(std::vector<std::int64_t>& times, std::int64_t nowSeconds, std::int32_t count) {
  times.push_back(nowSeconds);
  const std::size_t limit = count > 0 ? static_cast<std::size_t>(count) : 0;
  if (times.size() > limit) times.erase(times.begin(), times.end() - static_cast<std::ptrdiff_t>(limit));
}

bool IsRepeatedCrash(const std::vector<std::int64_t>& times, std::int32_t count, std::int32_t minutes) {
  if (count <= 0 || times.size() != static_cast<std::size_t>(count)) return false;
  return times.back() - times.front() <= static_cast<std::int64_t>(minutes) * 60;
}

}  // namespace kestrova
