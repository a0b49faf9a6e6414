#include "comport/device/transfer_timeouts.h"

namespace kestrova {

std::optional<Millis> WriteTimeout(const CommTimeouts& timeouts, std::uint32_t count) {
  if (timeouts.WriteTotalTimeoutConstant == 0 && timeouts.WriteTotalTimeoutMultiplier == 0) return std::nullopt;
  return Millis{timeouts.WriteTotalTimeoutConstant} + Millis{timeouts.WriteTotalTimeoutMultiplier} * count;
}

ReadPlan MakeReadPlan(const CommTimeouts& timeouts, std::uint32_t count) {
  const std::uint32_t interval = timeouts.ReadIntervalTimeout;
  const std::uint32_t multiplier = timeouts.ReadTotalTimeoutMultiplier;
  const std::uint32_t constant = timeouts.ReadTotalTimeoutConstant;
  ReadPlan plan;
  if (interval == kMaxDword && multiplier == 0 && constant == 0) {
    plan.returnQueued = true;
    return plan;
  }
  if (interval == kMaxDword && multiplier == kMaxDword && constant != 0 && constant != kMaxDword) {
    plan.returnOnFirstByte = true;
    plan.total = constant;
    return plan;
  }
  if (multiplier != 0 || constant != 0) plan.total = Millis{multiplier} * count + constant;
  if (interval != 0) plan.interval = interval;
  return plan;
}

}  // namespace kestrova
