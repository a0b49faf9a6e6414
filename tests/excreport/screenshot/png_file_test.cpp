#include "excreport/screenshot/png_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace kestrova {
namespace {

namespace fs = std::filesystem;

// Debian's ImageMagick (libpng underneath, which rejects bad chunk CRCs) by absolute path, so
// that no other "convert" on PATH stands in for it.
constexpr const char* ImageMagickConvert = "/usr/bin/convert";

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[65536];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return output;
}

// The picture as an independent decoder sees it.
RgbImage DecodeWithImageMagick(const fs::path& file) {
  RgbImage image;
  const std::string quoted = "'" + file.string() + "'";
  const std::string size =
      RunCommand(std::string(ImageMagickConvert) + " " + quoted + " -format '%w %h' info:");
  if (std::sscanf(size.c_str(), "%u %u", &image.Width, &image.Height) != 2) {
    ADD_FAILURE() << "no size from ImageMagick: " << size;
    return image;
  }
  const std::string rgb =
      RunCommand(std::string(ImageMagickConvert) + " " + quoted + " -depth 8 rgb:-");
  EXPECT_EQ(rgb.size(), std::size_t(image.Width) * image.Height * 3);
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
    image.Pixels.push_back({static_cast<std::uint8_t>(rgb[i]),
                            static_cast<std::uint8_t>(rgb[i + 1]),
                            static_cast<std::uint8_t>(rgb[i + 2])});
  }
  return image;
}

RgbImage RandomImage(std::uint32_t width, std::uint32_t height, std::uint32_t colors) {
  std::mt19937 random(width * 131 + height);
  std::vector<RgbColor> palette(colors);
  for (RgbColor& c : palette) {
    c = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
         static_cast<std::uint8_t>(random())};
  }
  RgbImage image{width, height, {}};
  for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
    image.Pixels.push_back(palette[random() % colors]);
  }
  return image;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class PngFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "png_file_test.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Everything in the folder besides the given names: a leftover temporary file shows here.
  std::vector<std::string> OtherEntries(std::initializer_list<std::string> expected) const {
    std::vector<std::string> others;
    for (const fs::directory_entry& e : fs::directory_iterator(dir_)) {
      const std::string name = e.path().filename().string();
      if (std::find(expected.begin(), expected.end(), name) == expected.end())
        others.push_back(name);
    }
    return others;
  }

  fs::path dir_;
};

TEST_F(PngFileTest, DecodesToTheSamePixels) {
  const struct {
    const char* name;
    RgbImage image;
  } cases[] = {{"200 colours", RandomImage(37, 23, 200)},
               {"one pixel wide", RandomImage(1, 9, 5)},
               {"one pixel", RandomImage(1, 1, 1)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = dir_ / "Screenshot.png";
    ASSERT_TRUE(SavePngFile(file.string(), c.image));
    const RgbImage decoded = DecodeWithImageMagick(file);
    EXPECT_EQ(decoded.Width, c.image.Width);
    EXPECT_EQ(decoded.Height, c.image.Height);
    EXPECT_TRUE(decoded.Pixels == c.image.Pixels);
    EXPECT_EQ(OtherEntries({"Screenshot.png"}), std::vector<std::string>{});
  }
}

TEST_F(PngFileTest, ManyColoursDecodeWithinTheReductionBound) {
  const RgbImage image = RandomImage(64, 48, 3000);
  const fs::path file = dir_ / "many.png";
  ASSERT_TRUE(SavePngFile(file.string(), image));
  const RgbImage decoded = DecodeWithImageMagick(file);
  ASSERT_EQ(decoded.Pixels.size(), image.Pixels.size());
  for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
    const RgbColor a = image.Pixels[i], b = decoded.Pixels[i];
    ASSERT_LE(std::abs(a.Red - b.Red), 63) << i;
    ASSERT_LE(std::abs(a.Green - b.Green), 63) << i;
    ASSERT_LE(std::abs(a.Blue - b.Blue), 63) << i;
  }
}

TEST_F(PngFileTest, ReplacesAnExistingFile) {
  const fs::path file = dir_ / "Screenshot.png";
  std::ofstream(file) << "old contents";
  ASSERT_TRUE(SavePngFile(file.string(), RandomImage(4, 4, 3)));
  EXPECT_EQ(DecodeWithImageMagick(file).Width, 4u);
  EXPECT_EQ(OtherEntries({"Screenshot.png"}), std::vector<std::string>{});
}

// A failure leaves no file, keeps what was there, and leaves no temporary file behind.
TEST_F(PngFileTest, FailuresReturnFalseAndLeaveNothing) {
  const RgbImage good = RandomImage(8, 8, 4);

  EXPECT_FALSE(SavePngFile((dir_ / "missing" / "Screenshot.png").string(), good));
  EXPECT_FALSE(SavePngFile("", good));

  // The rename cannot put a file over a folder: the written temporary file must go again.
  fs::create_directory(dir_ / "folder");
  EXPECT_FALSE(SavePngFile((dir_ / "folder").string(), good));
  EXPECT_TRUE(fs::is_directory(dir_ / "folder"));

  const fs::path kept = dir_ / "kept.png";
  std::ofstream(kept) << "old contents";
  EXPECT_FALSE(SavePngFile(kept.string(), RgbImage{}));
  EXPECT_EQ(ReadFile(kept), "old contents");

  EXPECT_EQ(OtherEntries({"folder", "kept.png"}), std::vector<std::string>{});
}

// A write that fails half-way (here the file size limit, as a full disk would): the partial
// temporary file is removed and the old file stays.
TEST_F(PngFileTest, WriteErrorHalfWayLeavesNoFile) {
  const fs::path file = dir_ / "Screenshot.png";
  std::ofstream(file) << "old contents";
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // write() then fails with EFBIG
  rlimit limited = saved;
  limited.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool savedOk = SavePngFile(file.string(), RandomImage(64, 64, 256));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(savedOk);
  EXPECT_EQ(ReadFile(file), "old contents");
  EXPECT_EQ(OtherEntries({"Screenshot.png"}), std::vector<std::string>{});
}

}  // namespace
}  // namespace kestrova
