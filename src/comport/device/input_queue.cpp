#include "comport/device/input_queue.h"

#include "comport/device/device_records.h"

#include <algorithm>

namespace kestrova {

std::uint32_t InputQueue::Append(const std::uint8_t* data, std::uint32_t count, std::uint8_t eventChar) {
  if (count == 0) return 0;
  const std::uint64_t threshold = (std::uint64_t{capacity_} * 4 + 4) / 5;  // 80%, rounded up
  const std::uint32_t before = Size();
  bytes_.insert(bytes_.end(), data, data + count);
  std::uint32_t events = EV_RXCHAR;
  if (std::find(data, data + count, eventChar) != data + count) events |= EV_RXFLAG;
  if (before < threshold && Size() >= threshold) events |= EV_RX80FULL;
  return events;
}

std::uint32_t InputQueue::Take(std::uint8_t* out, std::uint32_t count) {
  const std::uint32_t n = std::min(count, Size());
  std::copy_n(bytes_.begin(), n, out);
  bytes_.erase(bytes_.begin(), bytes_.begin() + n);
  return n;
}

}  // namespace kestrova
