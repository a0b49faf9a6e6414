// InputQueue: received bytes taken from the kernel, and the receive events they raise.
#pragma once

#include <cstdint>
#include <deque>

namespace kestrova {

// Pure container: the POSIX device fills it from its comm wait and empties it by reads, both
// under the device's lock. Its capacity is the input queue size the port set up.
class InputQueue final {
 public:
  // The device sets up only capacities in QueueSizesInRange.
  void SetCapacity(std::uint32_t capacity) { capacity_ = capacity; }
  std::uint32_t Size() const { return static_cast<std::uint32_t>(bytes_.size()); }
  std::uint32_t Space() const { return Size() < capacity_ ? capacity_ - Size() : 0; }

  // Appends count bytes and returns the events they raise: EV_RXCHAR when any, EV_RXFLAG when
  // eventChar is among them, EV_RX80FULL when the queue has just reached 80% of its capacity.
  std::uint32_t Append(const std::uint8_t* data, std::uint32_t count, std::uint8_t eventChar);
  // Moves up to count bytes to out; returns how many.
  std::uint32_t Take(std::uint8_t* out, std::uint32_t count);
  void Clear() { bytes_.clear(); }

 private:
  std::deque<std::uint8_t> bytes_;
  std::uint32_t capacity_ = 4096;  // a terminal's own input buffer, until the queues are set up
};

}  // namespace kestrova
