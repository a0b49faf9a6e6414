#include "excreport/delivery/tgz_encoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <stdexcept>
#include <string>

#include "excreport/delivery/tar_header.h"

namespace kestrova {
namespace {

using Bytes = std::vector<std::uint8_t>;

const auto kTime = std::chrono::system_clock::time_point(std::chrono::seconds(1709296496));

// Inflates a gzip file with zlib's own gzip reader, which checks the stored CRC-32 and length.
Bytes Gunzip(const Bytes& gzip) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, 16 + MAX_WBITS), Z_OK);
  Bytes out(1 << 20);
  stream.next_in = const_cast<Bytef*>(gzip.data());
  stream.avail_in = static_cast<uInt>(gzip.size());
  int result = Z_OK;
  while (result == Z_OK) {
    if (stream.total_out == out.size()) out.resize(out.size() * 2);
    stream.next_out = out.data() + stream.total_out;
    stream.avail_out = static_cast<uInt>(out.size() - stream.total_out);
    result = inflate(&stream, Z_NO_FLUSH);
  }
  EXPECT_EQ(result, Z_STREAM_END) << (stream.msg ? stream.msg : "");
  EXPECT_EQ(stream.avail_in, 0u) << "bytes after the gzip member";
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return out;
}

Bytes Pattern(std::size_t size) {
  Bytes data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return data;
}

std::string SizeField(const Bytes& image, std::size_t headerOffset) {
  return std::string(image.begin() + static_cast<std::ptrdiff_t>(headerOffset + 124),
                     image.begin() + static_cast<std::ptrdiff_t>(headerOffset + 136));
}

bool ZeroFrom(const Bytes& image, std::size_t begin, std::size_t end) {
  for (std::size_t i = begin; i < end; ++i) {
    if (image[i] != 0) return false;
  }
  return true;
}

TEST(TgzEncoderTest, GzipHeaderNamesTheTarStreamAndTrailerMatchesTheImage) {
  TgzEncoder encoder("CompressFiles.tar");
  const Bytes data = Pattern(3000);
  encoder.AddEntry("a.bin", kTime, data);
  const Bytes gzip = encoder.Finish();

  const Bytes header(gzip.begin(), gzip.begin() + 10);
  EXPECT_EQ(header, (Bytes{0x1F, 0x8B, 8, 8, 0, 0, 0, 0, 0, 0}));
  const std::string name(reinterpret_cast<const char*>(gzip.data()) + 10);
  EXPECT_EQ(name, "CompressFiles.tar");

  const Bytes image = Gunzip(gzip);
  ASSERT_EQ(image.size(), 512u + 3072u + 2 * 512u);
  const std::size_t trailer = gzip.size() - 8;
  const auto le32 = [&](std::size_t at) {
    return std::uint32_t(gzip[at]) | std::uint32_t(gzip[at + 1]) << 8 |
           std::uint32_t(gzip[at + 2]) << 16 | std::uint32_t(gzip[at + 3]) << 24;
  };
  EXPECT_EQ(le32(trailer), crc32(0, image.data(), static_cast<uInt>(image.size())));
  EXPECT_EQ(le32(trailer + 4), image.size());
}

TEST(TgzEncoderTest, DataIsPaddedToWholeBlocksAndTwoZeroBlocksClose) {
  struct Case {
    std::size_t size, dataBlocks;
  } cases[] = {{0, 0}, {1, 1}, {511, 1}, {512, 1}, {513, 2}, {1024, 2}};
  for (const Case& c : cases) {
    TgzEncoder encoder("t.tar");
    const Bytes data = Pattern(c.size);
    encoder.AddEntry("f", kTime, data);
    const Bytes image = Gunzip(encoder.Finish());
    ASSERT_EQ(image.size(), 512 * (1 + c.dataBlocks + 2)) << c.size;
    EXPECT_EQ(SizeField(image, 0), std::string(TarLongNumber(c.size).data(), 12));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin() + 512)) << c.size;
    EXPECT_TRUE(ZeroFrom(image, 512 + c.size, image.size())) << c.size;
  }
}

TEST(TgzEncoderTest, TwoEntriesFollowEachOtherInOrder) {
  TgzEncoder encoder("two.tar");
  const Bytes first = Pattern(513), second = Pattern(10);
  encoder.AddEntry("first", kTime, first);
  encoder.AddEntry("second", kTime, second);
  const Bytes image = Gunzip(encoder.Finish());
  // header, 2 data blocks, header, 1 data block, 2 zero blocks
  ASSERT_EQ(image.size(), 7u * 512);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data())), "first");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data()) + 3 * 512), "second");
  EXPECT_EQ(SizeField(image, 3 * 512), "         12 ");
  EXPECT_TRUE(std::equal(second.begin(), second.end(), image.begin() + 4 * 512));
  EXPECT_TRUE(ZeroFrom(image, 5 * 512, 7 * 512));
}

TEST(TgzEncoderTest, AnEmptyArchiveIsTwoZeroBlocks) {
  TgzEncoder encoder("empty.tar");
  EXPECT_EQ(Gunzip(encoder.Finish()), Bytes(2 * 512, 0));
}

TEST(TgzEncoderTest, LargeCompressibleDataRoundTrips) {
  // Several output steps of the compressor, in both directions of compressibility.
  Bytes data(3 << 20);
  std::uint32_t state = 1;
  for (std::size_t i = 0; i < data.size(); ++i) {
    state = state * 1103515245 + 12345;
    data[i] = i < data.size() / 2 ? static_cast<std::uint8_t>(state >> 24)
                                  : static_cast<std::uint8_t>('A' + i % 23);
  }
  TgzEncoder encoder("big.tar");
  encoder.AddEntry("big", kTime, data);
  const Bytes image = Gunzip(encoder.Finish());
  ASSERT_EQ(image.size(), 512 + data.size() + 2 * 512);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin() + 512));
}

TEST(TgzEncoderTest, NothingCanBeAddedAfterFinish) {
  TgzEncoder encoder("done.tar");
  encoder.Finish();
  EXPECT_THROW(encoder.AddEntry("late", kTime, {}), std::logic_error);
  EXPECT_THROW(encoder.Finish(), std::logic_error);
}

}  // namespace
}  // namespace kestrova
