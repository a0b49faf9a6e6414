// Cuts the byte stream a virtual port's component end sends into frames, each ending with
// byte 13, so that the relay hands a reader only whole frames.
#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace kestrova {

// Fixed storage, no allocation: the relay runs in a forked child of a possibly threaded
// process, where only async-signal-safe calls are sound. One thread.
class FrameAssembler final {
 public:
  // A frame longer than this without byte 13 is handed on in pieces of this size.
  static constexpr std::size_t kLimit = 4096;

  // Appends bytes; calls sink(std::span<const char>) once for each frame completed by them,
  // in order. The start of a frame not yet ended is kept for the next call.
  template <typename Sink>
  void Feed(std::span<const char> bytes, Sink&& sink) {
    for (char c : bytes) {
      pending_[size_++] = c;
      if (c == '\r' || size_ == kLimit) {
        sink(std::span<const char>(pending_.data(), size_));
        size_ = 0;
      }
    }
  }

  // Bytes of the frame under way.
  std::size_t Pending() const { return size_; }

 private:
  std::array<char, kLimit> pending_{};
  std::size_t size_ = 0;
};

}  // namespace kestrova
