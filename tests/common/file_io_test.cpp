// Whole-file reading and all-or-nothing writing, as the delivery code sees them (EFileError) and
// as the port's settings files see them (missing file = empty text, other failures = nothing).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/file_error.h"
#include "common/file_io.h"
#include "comport/text_file.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("kestrova-file-io-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  fs::path Write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
    return folder_ / name;
  }
  std::vector<fs::path> Entries() const {
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(folder_)) entries.push_back(entry.path().filename());
    return entries;
  }
  fs::path folder_;
};

TEST_F(FileIoTest, ReadingRefusesWhatIsNotARegularFileWithTheReason) {
  const fs::path fifo = folder_ / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    fs::path path;
    int error;  // 0: the reason is a text
  };
  for (const Case& c : {Case{folder_ / "missing", ENOENT}, Case{folder_, EISDIR}, Case{fifo, 0}}) {
    try {
      ReadFileContents(c.path);  // a pipe with no writer must not block
      ADD_FAILURE() << c.path << " was read";
    } catch (const EFileError& e) {
      EXPECT_EQ(e.SystemErrorCode(), c.error) << c.path;
      EXPECT_EQ(e.Path(), c.path);
    }
  }
}

TEST_F(FileIoTest, SettingsFilesReadMissingAsEmptyAndOtherFailuresAsNothing) {
  const fs::path fifo = folder_ / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadWholeFile(Write("ports.conf", std::string("COM1 = /dev/ttyS0\n\0x", 20))),
            std::string("COM1 = /dev/ttyS0\n\0x", 20));
  EXPECT_EQ(ReadWholeFile(folder_ / "missing"), std::string());
  EXPECT_EQ(ReadWholeFile(folder_ / "missing-folder" / "ports.conf"), std::string());
  EXPECT_EQ(ReadWholeFile(folder_), std::nullopt);
  EXPECT_EQ(ReadWholeFile(fifo), std::nullopt);  // before: the read waited for a writer for ever
}

TEST_F(FileIoTest, WritingReplacesWholeWithTheAskedPermissionsAndLeavesNothingBehind) {
  const fs::path file = Write("picture.png", "old");
  const std::vector<std::uint8_t> bytes = {'n', 'e', 'w', 0, 1};
  WriteWholeFile(file, bytes, 0600);
  const FileContents read = ReadFileContents(file);
  EXPECT_EQ(read.Bytes, bytes);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Entries(), std::vector<fs::path>{"picture.png"});

  EXPECT_TRUE(ReplaceFile(folder_ / "new" / "ports.conf", "COM2 = virtual\n"));  // makes the folder
  EXPECT_EQ(ReadWholeFile(folder_ / "new" / "ports.conf"), "COM2 = virtual\n");
}

TEST_F(FileIoTest, AFailedReplacementIsReportedAndLeavesNoPartBehind) {
  // The rename fails (a folder stands where the file goes), even for root.
  fs::create_directories(folder_ / "ports.conf" / "inside");
  EXPECT_FALSE(ReplaceFile(folder_ / "ports.conf", "COM1 = virtual\n"));
  EXPECT_THROW(WriteWholeFile(folder_ / "ports.conf", std::vector<std::uint8_t>{1}), EFileError);
  EXPECT_EQ(Entries(), std::vector<fs::path>{"ports.conf"});
  EXPECT_TRUE(fs::is_directory(folder_ / "ports.conf" / "inside"));
}

}  // namespace
}  // namespace kestrova
