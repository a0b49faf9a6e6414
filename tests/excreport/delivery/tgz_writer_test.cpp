#include "excreport/delivery/tgz_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <sstream>

#include "archive_reader.h"
#include "common/file_error.h"

namespace kestrova {
namespace {

using std::chrono::seconds;
using std::chrono::system_clock;
using test::ReadArchive;
using test::ReadWithPython;
using test::RunCommand;
using test::TempFolder;

struct SourceFile {
  std::string name;
  std::size_t size;
  long long mtime;
};

std::string Content(std::size_t size, char seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 13);
  return bytes;
}

// Files that probe the block and name limits, each with its own time.
const SourceFile kEdgeFiles[] = {
    {"empty.txt", 0, 946684800},             // 2000-01-01 00:00:00
    {"block.bin", 512, 1709296496},          // 2024-03-01 12:34:56
    {"block-and-one.bin", 513, 1234567890},  // 2009-02-13 23:31:30
    {std::string(96, 'h') + ".txt", 3, 1},
    {std::string(120, 'l') + ".log", 700, 2000000000},
};

class TgzWriterTest : public ::testing::Test {
 protected:
  std::filesystem::path PackEdgeFiles(const std::string& archiveName) {
    TTGZWriter writer(folder_.Path() / archiveName);
    for (std::size_t i = 0; i < std::size(kEdgeFiles); ++i) {
      const SourceFile& f = kEdgeFiles[i];
      writer.AddFile(folder_.Write(f.name, Content(f.size, static_cast<char>('a' + i)), f.mtime));
    }
    writer.Finish();
    return folder_.Path() / archiveName;
  }

  TempFolder folder_;
};

TEST_F(TgzWriterTest, PythonReadsNamesSizesTimesAndData) {
  const ReadArchive archive = ReadWithPython(PackEdgeFiles("Report.tgz"));
  EXPECT_EQ(archive.gzipName, "Report.tar");
  ASSERT_EQ(archive.entries.size(), std::size(kEdgeFiles));
  std::uint64_t blocks = 2;  // the closing zero blocks
  for (std::size_t i = 0; i < std::size(kEdgeFiles); ++i) {
    const SourceFile& f = kEdgeFiles[i];
    const test::ReadEntry& e = archive.entries[i];
    EXPECT_EQ(e.name, f.name.substr(0, 100));
    EXPECT_EQ(e.size, f.size) << f.name;
    EXPECT_EQ(e.mtime, f.mtime) << f.name;
    EXPECT_EQ(e.data, Content(f.size, static_cast<char>('a' + i))) << f.name;
    EXPECT_EQ(e.storedChecksum, e.recomputedChecksum) << f.name;
    blocks += 1 + (f.size + 511) / 512;
  }
  EXPECT_EQ(archive.tarLength, blocks * 512);
  EXPECT_EQ(archive.trailing, 1024u) << "two zero blocks end the archive";
}

TEST_F(TgzWriterTest, GnuTarListsTheEntries) {
  const auto path = PackEdgeFiles("Listed.tgz");
  const auto run = RunCommand("TZ=UTC tar -tzvf '" + path.string() + "'");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output.find("zero block"), std::string::npos) << run.output;
  EXPECT_TRUE(run.output.starts_with("-rw-r--r-- 0/0")) << run.output;
  EXPECT_NE(run.output.find(" 0 2000-01-01 00:00 empty.txt\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(" 512 2024-03-01 12:34 block.bin\n"), std::string::npos);
  EXPECT_NE(run.output.find(" 513 2009-02-13 23:31 block-and-one.bin\n"), std::string::npos);
  EXPECT_NE(run.output.find(" 3 1970-01-01 00:00 " + kEdgeFiles[3].name + "\n"),
            std::string::npos);
  EXPECT_NE(run.output.find(" 700 2033-05-18 03:33 " + kEdgeFiles[4].name.substr(0, 100) + "\n"),
            std::string::npos);
}

TEST_F(TgzWriterTest, AnotherUserExtractsReadableFiles) {
  // Root reads any file whatever its mode, so the extraction runs as "nobody" then.
  const std::string asUser =
      getuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  const auto out = folder_.Path() / "out";
  std::filesystem::create_directory(out);
  const auto everyone = std::filesystem::perms::all;
  std::filesystem::permissions(folder_.Path(), everyone);
  std::filesystem::permissions(out, everyone);
  const auto path = PackEdgeFiles("Shared.tgz");
  std::filesystem::permissions(path, everyone);
  const auto run =
      RunCommand(asUser + "sh -c \"umask 022 && tar -xzmf '" + path.string() + "' -C '" +
                 out.string() + "' && cat '" + (out / "block.bin").string() + "'\"");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, Content(512, 'b'));
}

TEST_F(TgzWriterTest, EntryNamesLoseTheirFolder) {
  const auto source = folder_.Write("source.dat", "xyz");
  const auto path = folder_.Path() / "names";  // no extension: the tar name gets one
  TTGZWriter writer(path);
  writer.AddFile(source, "some/folder/Given.txt");
  writer.AddFile(source);
  writer.AddFile(source, "trailing/");
  writer.Finish();
  const ReadArchive archive = ReadWithPython(path);
  EXPECT_EQ(archive.gzipName, "names.tar");
  ASSERT_EQ(archive.entries.size(), 3u);
  EXPECT_EQ(archive.entries[0].name, "Given.txt");
  EXPECT_EQ(archive.entries[1].name, "source.dat");
  EXPECT_EQ(archive.entries[2].name, "source.dat");
}

TEST_F(TgzWriterTest, StreamsAddTheirRestFromTheCurrentPosition) {
  std::istringstream stream("0123456789");
  stream.seekg(4);
  std::istringstream empty;
  const auto path = folder_.Path() / "streams.tgz";
  TTGZWriter writer(path);
  writer.AddStream(stream, "rest.txt", system_clock::time_point(seconds(1709296496)));
  writer.AddStream(empty, "before-1970.txt", system_clock::time_point(seconds(-86400)));
  writer.Finish();
  const ReadArchive archive = ReadWithPython(path);
  ASSERT_EQ(archive.entries.size(), 2u);
  EXPECT_EQ(archive.entries[0].data, "456789");
  EXPECT_EQ(archive.entries[0].mtime, 1709296496);
  EXPECT_EQ(archive.entries[1].size, 0u);
  EXPECT_EQ(archive.entries[1].mtime, 0);
  EXPECT_TRUE(stream.eof());
}

TEST_F(TgzWriterTest, UnreadableFilesFailWithoutLeavingAnArchive) {
  std::filesystem::create_directory(folder_.Path() / "a-folder");
  struct Case {
    std::string name;
    int error;
  } cases[] = {{"missing.txt", ENOENT}, {"a-folder", EISDIR}};
  const auto good = folder_.Write("good.txt", "fine");
  for (const Case& c : cases) {
    const auto bad = folder_.Path() / c.name;
    try {
      TTGZWriter writer(folder_.Path() / "out.tgz");
      writer.AddFile(good);
      writer.AddFile(bad);
      writer.Finish();
      ADD_FAILURE() << c.name << " was packed";
    } catch (const EFileError& e) {
      EXPECT_EQ(e.SystemErrorCode(), c.error) << e.what();
      EXPECT_EQ(e.Path(), bad);
      EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + bad.string() + "\". ", 0), 0u)
          << e.what();
    }
    EXPECT_EQ(folder_.List(), (std::vector<std::string>{"a-folder", "good.txt"}));
  }
}

TEST_F(TgzWriterTest, UnwritableTargetsFailAndLeaveNothingBehind) {
  const auto good = folder_.Write("good.txt", "fine");
  std::filesystem::create_directory(folder_.Path() / "taken.tgz");
  const std::filesystem::path targets[] = {folder_.Path() / "no-such-folder" / "out.tgz",
                                           folder_.Path() / "taken.tgz",
                                           folder_.Path() / "good.txt" / "out.tgz"};
  for (const auto& target : targets) {
    TTGZWriter writer(target);
    writer.AddFile(good);
    try {
      writer.Finish();
      ADD_FAILURE() << target << " was written";
    } catch (const EFileError& e) {
      EXPECT_NE(e.SystemErrorCode(), 0);
      EXPECT_EQ(e.Path(), target);
      EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + target.string() + "\". ", 0),
                0u)
          << e.what();
    }
    EXPECT_EQ(folder_.List(), (std::vector<std::string>{"good.txt", "taken.tgz"}));
    EXPECT_TRUE(std::filesystem::is_empty(folder_.Path() / "taken.tgz"));
  }
}

TEST_F(TgzWriterTest, FinishReplacesAnEarlierArchive) {
  const auto target = folder_.Write("again.tgz", "not an archive yet");
  TTGZWriter writer(target);
  writer.AddFile(folder_.Write("new.txt", "new"));
  writer.Finish();
  const ReadArchive archive = ReadWithPython(target);
  ASSERT_EQ(archive.entries.size(), 1u);
  EXPECT_EQ(archive.entries[0].data, "new");
  EXPECT_EQ(folder_.List(), (std::vector<std::string>{"again.tgz", "new.txt"}));
}

}  // namespace
}  // namespace kestrova
