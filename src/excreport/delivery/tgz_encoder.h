// TgzEncoder: builds, in memory, a gzip file holding one tar stream.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include <zlib.h>

namespace kestrova {

// Each entry is compressed as it is added (raw deflate, level 9), so only the compressed bytes
// are kept, never the whole tar image. The output is byte for byte what compressing the finished
// tar image in one piece gives.
//
// Layout: gzip header (flags: a file name follows; time, extra flags and system all 0), the
// inner file name and a zero byte, the deflate data, CRC-32 and length of the tar image
// (little-endian). The tar image is the entries, each a header block and its data padded to
// whole blocks, then two zero blocks.
//
// Not thread-safe. Throws EZLibError when zlib fails; the encoder is then unusable.
class TgzEncoder final {
 public:
  // innerName: the tar stream's name in the gzip header; it must not hold a zero byte.
  explicit TgzEncoder(std::string_view innerName);
  ~TgzEncoder();
  TgzEncoder(const TgzEncoder&) = delete;
  TgzEncoder& operator=(const TgzEncoder&) = delete;

  // Appends one entry. Throws std::length_error when data is larger than the header can state,
  // std::logic_error after Finish.
  void AddEntry(std::string_view name, std::chrono::system_clock::time_point modificationTime,
                std::span<const std::uint8_t> data);

  // Closes the tar image and returns the complete gzip file. Once only.
  std::vector<std::uint8_t> Finish();

 private:
  void Append(std::span<const std::uint8_t> bytes);
  void Deflate(std::span<const std::uint8_t> bytes, int flush);
  void EnsureOpen() const;

  z_stream stream_{};
  bool finished_ = false;
  std::vector<std::uint8_t> output_;
  std::uint32_t crc_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace kestrova
