#include "excreport/delivery/tgz_encoder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "excreport/delivery/tar_header.h"
#include "excreport/delivery/zlib_error.h"

namespace kestrova {
namespace {

constexpr std::size_t kOutputStep = 64 * 1024;
// zlib counts input in 32-bit units; larger spans go in slices.
constexpr std::size_t kInputSlice = 1u << 30;
constexpr TarBlock kZeroBlock{};

[[noreturn]] void ThrowZLib(const z_stream& stream, int result) {
  throw EZLibError(stream.msg != nullptr ? stream.msg : zError(result));
}

void PutLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

TgzEncoder::TgzEncoder(std::string_view innerName) {
  // windowBits -15 gives raw deflate data: no zlib header and no Adler-32 trailer.
  const int result = deflateInit2(&stream_, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8,
                                  Z_DEFAULT_STRATEGY);
  if (result != Z_OK) ThrowZLib(stream_, result);
  output_ = {0x1F, 0x8B, 8, 8, 0, 0, 0, 0, 0, 0};
  output_.insert(output_.end(), innerName.begin(), innerName.end());
  output_.push_back(0);
}

TgzEncoder::~TgzEncoder() {
  if (!finished_) deflateEnd(&stream_);
}

void TgzEncoder::AddEntry(std::string_view name,
                          std::chrono::system_clock::time_point modificationTime,
                          std::span<const std::uint8_t> data) {
  EnsureOpen();
  const TarBlock header = BuildTarHeader({std::string(name), data.size(), modificationTime});
  Append(header);
  Append(data);
  const std::size_t tail = data.size() % kTarBlockSize;
  if (tail != 0) Append(std::span(kZeroBlock).first(kTarBlockSize - tail));
}

std::vector<std::uint8_t> TgzEncoder::Finish() {
  EnsureOpen();
  // Two zero blocks end a tar archive; readers warn about "a lone zero block" otherwise.
  Append(kZeroBlock);
  Append(kZeroBlock);
  Deflate({}, Z_FINISH);
  deflateEnd(&stream_);
  finished_ = true;
  PutLittleEndian32(output_, crc_);
  PutLittleEndian32(output_, static_cast<std::uint32_t>(length_));  // length modulo 2^32
  return std::move(output_);
}

void TgzEncoder::Append(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const auto slice = bytes.first(std::min(bytes.size(), kInputSlice));
    crc_ = static_cast<std::uint32_t>(crc32_z(crc_, slice.data(), slice.size()));
    length_ += slice.size();
    Deflate(slice, Z_NO_FLUSH);
    bytes = bytes.subspan(slice.size());
  }
}

void TgzEncoder::Deflate(std::span<const std::uint8_t> bytes, int flush) {
  stream_.next_in = const_cast<Bytef*>(bytes.data());  // zlib does not write through next_in
  stream_.avail_in = static_cast<uInt>(bytes.size());
  for (;;) {
    const std::size_t used = output_.size();
    output_.resize(used + kOutputStep);
    stream_.next_out = output_.data() + used;
    stream_.avail_out = static_cast<uInt>(kOutputStep);
    const int result = deflate(&stream_, flush);
    output_.resize(used + kOutputStep - stream_.avail_out);
    // Z_BUF_ERROR only says no progress was possible, which a full output buffer explains.
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
      ThrowZLib(stream_, result);
    }
    const bool done = flush == Z_FINISH ? result == Z_STREAM_END
                                        : stream_.avail_out != 0 && stream_.avail_in == 0;
    if (done) return;
  }
}

void TgzEncoder::EnsureOpen() const {
  if (finished_) throw std::logic_error("the tgz archive is already finished");
}

}  // namespace kestrova
