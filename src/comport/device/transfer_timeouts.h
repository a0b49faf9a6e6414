// When a transfer ends by time, from the timeouts record: pure rules, no clock.
#pragma once

#include "comport/device/device_records.h"

#include <cstdint>
#include <optional>

namespace kestrova {

using Millis = std::uint64_t;

// How long a write of count bytes may take: WriteTotalConstant + WriteTotalMultiplier * count;
// none (no limit) when both are 0.
std::optional<Millis> WriteTimeout(const CommTimeouts& timeouts, std::uint32_t count);

// How a read of count bytes ends besides having all of them.
struct ReadPlan {
  bool returnQueued = false;       // at once with what is queued, even nothing
  bool returnOnFirstByte = false;  // as soon as it has anything
  std::optional<Millis> total = std::nullopt;     // then with what it has
  std::optional<Millis> interval = std::nullopt;  // after the first byte: the longest gap between bytes

  bool operator==(const ReadPlan&) const = default;
};

// ReadInterval = MAXDWORD with both totals 0 returns at once; ReadInterval and
// ReadTotalMultiplier = MAXDWORD with a constant between 0 and MAXDWORD returns with the first
// byte, waiting at most the constant for it. Otherwise the total is multiplier * count +
// constant (none when both are 0) and the interval applies unless it is 0.
ReadPlan MakeReadPlan(const CommTimeouts& timeouts, std::uint32_t count);

}  // namespace kestrova
