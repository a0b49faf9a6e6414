#include "excreport/screenshot/png_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "excreport/screenshot/png_crc.h"

namespace kestrova {
namespace {

constexpr std::array<std::uint8_t, 8> Signature = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint32_t MaxDimension = 0x7FFFFFFF;

void AppendBigEndian(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    Out.push_back(static_cast<std::uint8_t>(Value >> shift));
}

// Length, type, data, and the CRC over type and data.
void AppendChunk(std::vector<std::uint8_t>& Out, std::string_view Type,
                 std::span<const std::uint8_t> Data) {
  AppendBigEndian(Out, static_cast<std::uint32_t>(Data.size()));
  const std::size_t typeStart = Out.size();
  Out.insert(Out.end(), Type.begin(), Type.end());
  Out.insert(Out.end(), Data.begin(), Data.end());
  AppendBigEndian(Out, PngCrc32(std::span(Out).subspan(typeStart, Type.size() + Data.size())));
}

// A zlib stream at level 9 that appends its output to a vector; ended when destroyed.
class Deflater final {
 public:
  explicit Deflater(std::vector<std::uint8_t>& Out) : out_(Out) {
    ok_ = deflateInit(&stream_, 9) == Z_OK;
  }
  ~Deflater() {
    if (ok_) deflateEnd(&stream_);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Bytes must be shorter than 4 GiB (a row of a PNG picture is).
  bool Write(std::span<const std::uint8_t> Bytes) { return Pump(Bytes, Z_NO_FLUSH); }
  bool Finish() { return Pump({}, Z_FINISH); }

 private:
  bool Pump(std::span<const std::uint8_t> Bytes, int Flush) {
    if (!ok_) return false;
    stream_.next_in = const_cast<Bytef*>(Bytes.data());  // zlib does not write through next_in
    stream_.avail_in = static_cast<uInt>(Bytes.size());
    int rc;
    do {
      const std::size_t used = out_.size();
      out_.resize(used + buffer_);
      stream_.next_out = out_.data() + used;
      stream_.avail_out = static_cast<uInt>(buffer_);
      rc = deflate(&stream_, Flush);
      out_.resize(out_.size() - stream_.avail_out);
      if (rc == Z_STREAM_ERROR) return false;
    } while (stream_.avail_out == 0);
    return Flush != Z_FINISH || rc == Z_STREAM_END;
  }

  static constexpr std::size_t buffer_ = 64 * 1024;
  std::vector<std::uint8_t>& out_;
  z_stream stream_{};
  bool ok_ = false;
};

std::optional<std::vector<std::uint8_t>> CompressRows(const PalettedImage& Image) {
  std::vector<std::uint8_t> compressed;
  Deflater deflater(compressed);
  constexpr std::uint8_t filterNone = 0;
  const std::span<const std::uint8_t> indices(Image.Indices);
  for (std::uint32_t y = 0; y < Image.Height; ++y) {
    if (!deflater.Write(std::span(&filterNone, 1)) ||
        !deflater.Write(indices.subspan(static_cast<std::size_t>(y) * Image.Width, Image.Width))) {
      return std::nullopt;
    }
  }
  if (!deflater.Finish()) return std::nullopt;
  return compressed;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodePng(const PalettedImage& Image) {
  if (Image.Width == 0 || Image.Height == 0 || Image.Width > MaxDimension ||
      Image.Height > MaxDimension ||
      Image.Indices.size() != static_cast<std::size_t>(Image.Width) * Image.Height) {
    return std::nullopt;
  }
  const std::optional<std::vector<std::uint8_t>> compressed = CompressRows(Image);
  if (!compressed) return std::nullopt;

  std::vector<std::uint8_t> png(Signature.begin(), Signature.end());

  std::vector<std::uint8_t> header;
  AppendBigEndian(header, Image.Width);
  AppendBigEndian(header, Image.Height);
  header.insert(header.end(),
                {8, 3, 0, 0, 0});  // depth, palette colour, deflate, filter, no interlace
  AppendChunk(png, "IHDR", header);

  std::vector<std::uint8_t> palette;
  palette.reserve(Image.Palette.size() * 3);
  for (const RgbColor entry : Image.Palette)
    palette.insert(palette.end(), {entry.Red, entry.Green, entry.Blue});
  AppendChunk(png, "PLTE", palette);

  const std::span<const std::uint8_t> stream(*compressed);
  for (std::size_t offset = 0; offset < stream.size(); offset += MaxIdatLength) {
    AppendChunk(png, "IDAT",
                stream.subspan(offset, std::min(MaxIdatLength, stream.size() - offset)));
  }
  AppendChunk(png, "IEND", {});
  return png;
}

}  // namespace kestrova
