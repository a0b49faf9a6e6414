#include "excreport/screenshot/png_encoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "excreport/screenshot/png_crc.h"

namespace kestrova {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::uint32_t BigEndian(std::span<const std::uint8_t> b) {
  return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
}

struct Chunk {
  std::string type;
  Bytes data;
};

// Walks the file's chunks, checking each CRC with zlib's own crc32.
std::vector<Chunk> ReadChunks(const Bytes& png) {
  const Bytes signature = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  EXPECT_TRUE(png.size() >= 8 && Bytes(png.begin(), png.begin() + 8) == signature);
  std::vector<Chunk> chunks;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::span<const std::uint8_t> rest(png.data() + at, png.size() - at);
    const std::uint32_t length = BigEndian(rest);
    if (12 + std::size_t(length) > rest.size()) {
      ADD_FAILURE() << "chunk overruns the file at " << at;
      return chunks;
    }
    Chunk chunk{std::string(rest.begin() + 4, rest.begin() + 8),
                Bytes(rest.begin() + 8, rest.begin() + 8 + length)};
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, rest.data() + 4, length + 4));
    EXPECT_EQ(BigEndian(rest.subspan(8 + length)), crc) << chunk.type << " at " << at;
    chunks.push_back(std::move(chunk));
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size()) << "bytes after the last chunk";
  return chunks;
}

Bytes Inflate(const Bytes& compressed, std::size_t expected) {
  Bytes raw(expected + 1);
  uLongf size = raw.size();
  EXPECT_EQ(uncompress(raw.data(), &size, compressed.data(), compressed.size()), Z_OK);
  raw.resize(size);
  return raw;
}

Bytes JoinedIdat(const std::vector<Chunk>& chunks) {
  Bytes joined;
  for (const Chunk& c : chunks) {
    if (c.type == "IDAT") joined.insert(joined.end(), c.data.begin(), c.data.end());
  }
  return joined;
}

PalettedImage ImageOf(std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
  PalettedImage image;
  image.Width = width;
  image.Height = height;
  image.ColorCount = 256;
  for (std::size_t i = 0; i < 256; ++i) {
    image.Palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                        static_cast<std::uint8_t>(i * 7)};
  }
  std::mt19937 random(seed);
  image.Indices.resize(std::size_t(width) * height);
  for (std::uint8_t& index : image.Indices) index = static_cast<std::uint8_t>(random());
  return image;
}

// Rows as they must come out of the stream: filter byte 0, then the row's indices.
Bytes FilteredRows(const PalettedImage& image) {
  Bytes rows;
  for (std::uint32_t y = 0; y < image.Height; ++y) {
    rows.push_back(0);
    const auto row = image.Indices.begin() + std::ptrdiff_t(y) * image.Width;
    rows.insert(rows.end(), row, row + image.Width);
  }
  return rows;
}

TEST(PngCrcTest, KnownValuesAndAgreementWithZlib) {
  const struct {
    std::string_view text;
    std::uint32_t crc;
  } known[] = {{"", 0},
               {"IEND", 0xAE426082},
               {"123456789", 0xCBF43926},
               {"The quick brown fox jumps over the lazy dog", 0x414FA339}};
  for (const auto& k : known) EXPECT_EQ(PngCrc32(BytesOf(k.text)), k.crc) << '"' << k.text << '"';

  std::mt19937 random(5);
  Bytes data(4099);
  for (std::uint8_t& b : data) b = static_cast<std::uint8_t>(random());
  const std::span<const std::uint8_t> all(data);
  EXPECT_EQ(PngCrc32(all), crc32(0, data.data(), data.size()));
  // Continuing from an earlier CRC gives the CRC of the whole.
  EXPECT_EQ(PngCrc32(all.subspan(1000), PngCrc32(all.first(1000))), PngCrc32(all));
}

TEST(PngEncoderTest, FileLayout) {
  const PalettedImage image = ImageOf(3, 2, 1);
  const std::optional<Bytes> png = EncodePng(image);
  ASSERT_TRUE(png);
  const std::vector<Chunk> chunks = ReadChunks(*png);
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[0].type, "IHDR");
  EXPECT_EQ(chunks[0].data, (Bytes{0, 0, 0, 3, 0, 0, 0, 2, 8, 3, 0, 0, 0}));
  EXPECT_EQ(chunks[1].type, "PLTE");
  ASSERT_EQ(chunks[1].data.size(), 768u);
  EXPECT_EQ(Bytes(chunks[1].data.begin() + 3 * 10, chunks[1].data.begin() + 3 * 11),
            (Bytes{10, 245, 70}));
  EXPECT_EQ(chunks[2].type, "IDAT");
  EXPECT_EQ(chunks[3].type, "IEND");
  EXPECT_TRUE(chunks[3].data.empty());
  const Bytes end(png->end() - 12, png->end());
  EXPECT_EQ(end, (Bytes{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
  // zlib header of a level-9 stream: deflate with a 32K window, maximum compression flag.
  EXPECT_EQ(chunks[2].data[0], 0x78);
  EXPECT_EQ(chunks[2].data[1], 0xDA);
  EXPECT_EQ(Inflate(chunks[2].data, 8), FilteredRows(image));
}

TEST(PngEncoderTest, OnePixelWidePictureHasOneIndexPerRow) {
  const PalettedImage image = ImageOf(1, 5, 2);
  const std::optional<Bytes> png = EncodePng(image);
  ASSERT_TRUE(png);
  const std::vector<Chunk> chunks = ReadChunks(*png);
  const Bytes rows = Inflate(JoinedIdat(chunks), 10);
  ASSERT_EQ(rows.size(), 10u);
  for (std::size_t y = 0; y < 5; ++y) {
    EXPECT_EQ(rows[2 * y], 0) << "filter byte of row " << y;
    EXPECT_EQ(rows[2 * y + 1], image.Indices[y]) << "row " << y;
  }
}

// Random indices do not compress, so the stream is longer than one chunk may be.
TEST(PngEncoderTest, LongStreamIsCutIntoFullIdatChunks) {
  const PalettedImage image = ImageOf(1024, 700, 3);
  const std::optional<Bytes> png = EncodePng(image);
  ASSERT_TRUE(png);
  const std::vector<Chunk> chunks = ReadChunks(*png);
  std::vector<std::size_t> idatSizes;
  for (const Chunk& c : chunks) {
    if (c.type == "IDAT") idatSizes.push_back(c.data.size());
  }
  ASSERT_EQ(idatSizes.size(), 3u);
  EXPECT_EQ(idatSizes[0], 262143u);
  EXPECT_EQ(idatSizes[1], 262143u);
  EXPECT_GT(idatSizes[2], 0u);
  EXPECT_LE(idatSizes[2], 262143u);
  EXPECT_EQ(chunks.back().type, "IEND");
  const Bytes rows = FilteredRows(image);
  EXPECT_EQ(Inflate(JoinedIdat(chunks), rows.size()), rows);
}

TEST(PngEncoderTest, RefusesPicturesItCannotWrite) {
  PalettedImage noWidth = ImageOf(0, 4, 1);
  PalettedImage noHeight = ImageOf(4, 0, 1);
  PalettedImage shortIndices = ImageOf(4, 4, 1);
  shortIndices.Indices.pop_back();
  PalettedImage tooWide = ImageOf(1, 1, 1);
  tooWide.Width = 0x80000000u;
  for (const PalettedImage* image : {&noWidth, &noHeight, &shortIndices, &tooWide}) {
    EXPECT_FALSE(EncodePng(*image)) << image->Width << " x " << image->Height;
  }
}

}  // namespace
}  // namespace kestrova
