#include "excreport/delivery/send_names.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(SendNamesTest, AttachmentNameStripsFolderAndStampsBeforeTheExtension) {
  struct Case {
    const char* path;
    const char* stamp;
    const char* name;
  } cases[] = {
      {"/tmp/Screenshot.png", "", "Screenshot.png"},
      {"/tmp/Screenshot.png", "20240301123456", "Screenshot_20240301123456.png"},
      {"/var/log/app.v2/Kestrova.qmf", "20240301123456", "Kestrova_20240301123456.qmf"},
      {"/var/log/app.v2/README", "20240301123456", "README_20240301123456"},
      {"archive.tar.gz", "20240301123456", "archive.tar_20240301123456.gz"},
      {"relative/dir/notes.txt", "", "notes.txt"},
      {"plain", "", "plain"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AttachmentName(c.path, c.stamp), c.name) << c.path;
  }
}

TEST(SendNamesTest, ReplaceExtensionLooksOnlyAtTheFileName) {
  EXPECT_EQ(ReplaceExtension("CompressFiles.tgz", ".tar"), "CompressFiles.tar");
  EXPECT_EQ(ReplaceExtension("/tmp/a.b/Kestrova.qmf", ".xml"), "/tmp/a.b/Kestrova.xml");
  EXPECT_EQ(ReplaceExtension("/tmp/a.b/archive", ".tar"), "/tmp/a.b/archive.tar");
  EXPECT_EQ(FileNameWithoutFolder("/tmp/a.b/"), "");
}

TEST(SendNamesTest, ReportTimeStampIsZeroPadded) {
  std::tm time{};
  time.tm_year = 2024 - 1900;
  time.tm_mon = 2;
  time.tm_mday = 1;
  time.tm_hour = 4;
  time.tm_min = 5;
  time.tm_sec = 6;
  EXPECT_EQ(ReportTimeStamp(time), "20240301040506");
  time.tm_year = 1999 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 31;
  time.tm_hour = 23;
  time.tm_min = 59;
  time.tm_sec = 59;
  EXPECT_EQ(ReportTimeStamp(time), "19991231235959");
}

}  // namespace
}  // namespace kestrova
