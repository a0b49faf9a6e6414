#include "excreport/delivery/pack_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "archive_reader.h"
#include "common/file_error.h"

namespace kestrova {
namespace {

using test::ReadArchive;
using test::ReadWithPython;
using test::TempFolder;

TEST(PackFilesTest, EntriesCarryTheAttachmentNames) {
  TempFolder folder;
  const std::vector<std::string> files = {folder.Write("Kestrova.qmf", "log").string(),
                                          folder.Write("Screenshot.png", "png").string(),
                                          folder.Write("README", "text").string()};
  const auto plain = folder.Path() / "plain.tgz";
  const auto stamped = folder.Path() / "stamped.tgz";
  PackFiles(plain, files, "");
  PackFiles(stamped, files, "20240301123456");

  const ReadArchive plainRead = ReadWithPython(plain);
  const ReadArchive stampedRead = ReadWithPython(stamped);
  ASSERT_EQ(plainRead.entries.size(), 3u);
  ASSERT_EQ(stampedRead.entries.size(), 3u);
  const char* plainNames[] = {"Kestrova.qmf", "Screenshot.png", "README"};
  const char* stampedNames[] = {"Kestrova_20240301123456.qmf", "Screenshot_20240301123456.png",
                                "README_20240301123456"};
  const char* contents[] = {"log", "png", "text"};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(plainRead.entries[i].name, plainNames[i]);
    EXPECT_EQ(stampedRead.entries[i].name, stampedNames[i]);
    EXPECT_EQ(stampedRead.entries[i].data, contents[i]);
  }
}

TEST(PackFilesTest, AnEmptyListWritesNothing) {
  TempFolder folder;
  PackFiles(folder.Path() / "CompressFiles.tgz", {}, "20240301123456");
  EXPECT_TRUE(folder.List().empty());
}

TEST(PackFilesTest, AFailedPackingKeepsTheEarlierArchive) {
  TempFolder folder;
  const auto target = folder.Path() / "CompressFiles.tgz";
  const std::string first = folder.Write("first.txt", "1").string();
  PackFiles(target, {first}, "");
  const std::vector<std::string> withMissing = {first, (folder.Path() / "gone.txt").string()};
  EXPECT_THROW(PackFiles(target, withMissing, ""), EFileError);
  EXPECT_EQ(folder.List(), (std::vector<std::string>{"CompressFiles.tgz", "first.txt"}));
  const ReadArchive archive = ReadWithPython(target);
  ASSERT_EQ(archive.entries.size(), 1u);
  EXPECT_EQ(archive.entries[0].name, "first.txt");
}

TEST(PruneKeptArchivesTest, TwelveStampedArchivesLeaveTheTenNewest) {
  TempFolder folder;
  std::vector<std::string> stamps;
  for (int day = 1; day <= 12; ++day) {
    stamps.push_back("CompressFiles_202403" + std::string(day < 10 ? "0" : "") +
                     std::to_string(day) + "101500.tgz");
  }
  // Created in shuffled order, file times running against the names: only names count.
  std::vector<std::string> shuffled = stamps;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  for (std::size_t i = 0; i < shuffled.size(); ++i) {
    const long long day = std::stoll(shuffled[i].substr(20, 2));
    folder.Write(shuffled[i], "x", 2000000000 - day * 86400);
  }
  folder.Write("notes.txt", "not an archive");
  std::filesystem::create_directory(folder.Path() / "folder.tgz");

  PruneKeptArchives(folder.Path());

  std::vector<std::string> expected(stamps.begin() + 2, stamps.end());
  expected.push_back("folder.tgz");
  expected.push_back("notes.txt");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder.List(), expected);
}

TEST(PruneKeptArchivesTest, NamesCompareWithoutRegardToLetterCase) {
  TempFolder folder;
  // Byte order would put "Z.TGZ" first; without case "a.tgz" comes first.
  std::vector<std::string> names = {"a.tgz", "Z.TGZ"};
  for (int i = 1; i <= 9; ++i) names.push_back("m" + std::to_string(i) + ".Tgz");
  for (const auto& name : names) folder.Write(name, "x");
  PruneKeptArchives(folder.Path());
  std::vector<std::string> expected(names.begin() + 1, names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder.List(), expected);
}

TEST(PruneKeptArchivesTest, TenOrFewerAndMissingFoldersAreLeftAlone) {
  TempFolder folder;
  for (int i = 0; i < 10; ++i) folder.Write("k" + std::to_string(i) + ".tgz", "x");
  PruneKeptArchives(folder.Path());
  EXPECT_EQ(folder.List().size(), 10u);
  EXPECT_NO_THROW(PruneKeptArchives(folder.Path() / "absent"));
}

}  // namespace
}  // namespace kestrova
