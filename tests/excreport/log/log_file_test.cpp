#include "excreport/log/log_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "excreport/log/log_file_path.h"
#include "excreport/log/log_text.h"
#include "excreport/options/quill_module_options.h"
#include "excreport/report/report_builder.h"
#include "excreport/report_fixture.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

// A report whose exception message is `message`, built from the fixed data.
std::string ReportWith(const std::string& message) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  ReportData data = test::FixedReportData();
  data.Exception.Message = message;
  return BuildReport(data, options).Text();
}

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("kestrova-log-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    path_ = (folder_ / "kestrova.qmf").string();
  }
  void TearDown() override { fs::remove_all(folder_); }
  void WriteRaw(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }

  fs::path folder_;
  std::string path_;
};

TEST_F(LogFileTest, SavedReportsLoadBackTheSameAndTheFileLayoutHolds) {
  const std::string first = ReportWith("one");
  const std::string second = ReportWith("two\r\n\r\nlines: here");
  {
    TLogFile log(path_, false);
    EXPECT_EQ(log.FileName(), path_);
    EXPECT_EQ(log.ReportCount(), 0);
    log.AddReport(first, 32);
    log.AddReport(second, 32);
    log.Save();
  }
  EXPECT_EQ(test::ReadFile(path_), first + "\r\n\r\n\r\n" + "\r\n" + second + "\r\n\r\n\r\n");
  TLogFile log(path_, true);
  ASSERT_EQ(log.ReportCount(), 2);
  EXPECT_EQ(log.Report(0), first + kReportTerminator);
  EXPECT_EQ(log.Report(1), second + kReportTerminator);
  EXPECT_EQ(log.WholeText(), test::ReadFile(path_));
  EXPECT_THROW(log.Save(), std::system_error);
}

TEST_F(LogFileTest, TwoProcessesWritingOneLogKeepEveryReport) {
  constexpr int kWriters = 2;
  constexpr int kReportsEach = 50;
  pid_t writers[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    writers[w] = ::fork();
    ASSERT_GE(writers[w], 0);
    if (writers[w] == 0) {
      int code = 0;
      try {
        for (int r = 0; r < kReportsEach; ++r) {
          TLogFile log(path_, false);
          log.AddReport(ReportWith("writer " + std::to_string(w) + " report " + std::to_string(r)), 1000);
          log.Save();
        }
      } catch (...) {
        code = 1;
      }
      std::_Exit(code);
    }
  }
  for (pid_t writer : writers) {
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const TLogFile log(path_, true);
  ASSERT_EQ(log.ReportCount(), kWriters * kReportsEach);
  for (int w = 0; w < kWriters; ++w) {
    // Each writer's reports are all there, in the order it wrote them.
    int next = 0;
    for (int i = 0; i < log.ReportCount(); ++i)
      if (log.ItemValue("2.5", i) == "writer " + std::to_string(w) + " report " + std::to_string(next) + ".") ++next;
    EXPECT_EQ(next, kReportsEach) << "writer " << w;
  }
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(LogFileTest, SaveThatRunsOutOfSpaceLeavesTheOldLogWhole) {
  {
    TLogFile log(path_, false);
    log.AddReport(ReportWith("kept"), 32);
    log.Save();
  }
  const std::string before = test::ReadFile(path_);
  // A file size limit below the new log's size fails the save's writes as a full disk would.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = before.size() + 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool failed = false;
  try {
    TLogFile log(path_, false);
    log.AddReport(ReportWith("lost"), 32);
    log.Save();
  } catch (const std::system_error&) {
    failed = true;
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(failed);
  EXPECT_EQ(test::ReadFile(path_), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);  // no temporary left
  // The next save works again and keeps the old report.
  TLogFile log(path_, false);
  log.AddReport(ReportWith("next"), 32);
  log.Save();
  EXPECT_EQ(TLogFile(path_, true).ReportCount(), 2);
}

TEST_F(LogFileTest, LimitDropsTheOldestAndSaveCutsTheFile) {
  TLogFile log(path_, false);
  for (const char* message : {"a", "b", "c", "d"}) log.AddReport(ReportWith(message), 3);
  ASSERT_EQ(log.ReportCount(), 3);
  EXPECT_EQ(log.ItemValue("2.5", 0), "b.");
  EXPECT_EQ(log.ItemValue("2.5", 2), "d.");
  log.Save();
  // A limit below 1 still keeps the new report, and the file shrinks to it.
  log.AddReport(ReportWith("e"), -4);
  ASSERT_EQ(log.ReportCount(), 1);
  log.Save();
  EXPECT_EQ(test::ReadFile(path_), ReportWith("e") + kReportTerminator);
}

TEST_F(LogFileTest, IncompleteLastReportForeignTextAndLoneLineEnds) {
  const std::string good = ReportWith("good");
  std::string lf = good;
  for (std::size_t at = lf.find("\r\n"); at != std::string::npos; at = lf.find("\r\n", at)) lf.erase(at, 1), ++at;
  std::string cr = good;
  for (std::size_t at = cr.find("\r\n"); at != std::string::npos; at = cr.find("\r\n", at)) cr.erase(at + 1, 1), ++at;
  WriteRaw("some notes\r\nwithout any table\r\n\r\n\r\n\r\n" + lf + "\n\n\n\n" + cr + "\r\r\r\r" + good + "\r\n\r\n\r\n\r\n" +
           good.substr(0, good.size() / 2));
  TLogFile log(path_, false);
  ASSERT_EQ(log.ReportCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(log.Report(i), good + kReportTerminator) << i;
}

TEST_F(LogFileTest, TinyOrMissingFilesHoldNoReports) {
  WriteRaw("-\r\n|x");
  EXPECT_EQ(TLogFile(path_, false).ReportCount(), 0);
  EXPECT_EQ(TLogFile((folder_ / "none.qmf").string(), false).ReportCount(), 0);
  EXPECT_FALSE(fs::exists(folder_ / "none.qmf"));
}

TEST(LogTextTest, ItemValuesWithContinuationLines) {
  const std::string report = ReportWith("first: one\r\n\r\n  third");
  EXPECT_EQ(ReportItemValue(report, "2.5"), "first:_one\r\n.\r\nthird.");
  EXPECT_EQ(ReportItemValue(report, "2.2"), "00401A2C");
  EXPECT_EQ(ReportItemValue(report, "1.4"), "\"-x\" \"a b\"");
  EXPECT_EQ(ReportItemValue(report, "7.1"), "Port:_COM3\r\n.\r\nBaud:_9600");
  EXPECT_EQ(ReportItemValue(report, "2.9"), "");
  EXPECT_EQ(ReportItemValue(report, "2."), "");
  EXPECT_EQ(ReportVersion(report), "5.1.3");
}

TEST_F(LogFileTest, DuplicateCheckComparesItems22To25) {
  TLogFile log(path_, false);
  log.AddReport(ReportWith("same"), 32);
  EXPECT_EQ(log.ItemValue("2.5", 1), "");
  EXPECT_EQ(log.ItemValue("2.5", -1), "");

  TQuillModuleOptions options("/usr/bin/kestrova", false);
  ReportData data = test::FixedReportData();
  data.Exception.Message = "same";
  data.Exception.Time.UnixSeconds += 3600;  // another time, another machine state: still the same
  data.Computer.Name = "OTHER";
  EXPECT_TRUE(log.FindDuplicate(DuplicateItemIds(), DuplicateItemValues(BuildReport(data, options).Text())));

  struct Change {
    const char* name;
    void (*apply)(ReportData&);
  } changes[] = {
      {"address", [](ReportData& d) { d.Exception.Address += 1; }},
      {"module", [](ReportData& d) { d.Exception.Module = "/lib/other.so"; }},
      {"type", [](ReportData& d) { d.Exception.ClassName = "EOther"; }},
      {"message", [](ReportData& d) { d.Exception.Message = "same\r\nmore"; }},
  };
  for (const Change& change : changes) {
    ReportData other = data;
    change.apply(other);
    EXPECT_FALSE(log.FindDuplicate(DuplicateItemIds(), DuplicateItemValues(BuildReport(other, options).Text()))) << change.name;
  }
}

TEST_F(LogFileTest, DuplicateCheckComparesTheAddressInsideItsModule) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  ReportData first = test::FixedReportData();
  first.Exception.Address = 0x55D4C3A01A2C;
  first.Exception.ModuleOffset = 0x1A2C;
  TLogFile log(path_, false);
  log.AddReport(BuildReport(first, options).Text(), 32);
  EXPECT_EQ(log.ItemValue("2.2", 0), "55D4C3A01A2C (kestrova+00001A2C)");

  const struct {
    const char* name;
    std::uintptr_t address;
    std::uintptr_t offset;
    bool duplicate;
  } runs[] = {
      {"next start, the module elsewhere", 0x5612AB401A2C, 0x1A2C, true},
      {"another place in the module", 0x55D4C3A01A30, 0x1A30, false},
  };
  for (const auto& run : runs) {
    ReportData data = first;
    data.Exception.Address = run.address;
    data.Exception.ModuleOffset = run.offset;
    EXPECT_EQ(log.FindDuplicate(DuplicateItemIds(), DuplicateItemValues(BuildReport(data, options).Text())), run.duplicate)
        << run.name;
  }
}

class LogFilePathTest : public ::testing::Test {
 protected:
  LogFilePathTest() : options_("/opt/kestrova/bin/kestrova.bin", false) {}
  TQuillModuleOptions options_;
};

TEST_F(LogFilePathTest, FolderFileAndComputerName) {
  EXPECT_EQ(LogFilePath(options_, "HOST"), "/opt/kestrova/bin/kestrova.qmf");
  options_.SetLogFolder("/var/log/kestrova");
  EXPECT_EQ(LogFilePath(options_, "HOST"), "/var/log/kestrova/kestrova.qmf");
  options_.SetLogFolder("/var/log/kestrova/");
  EXPECT_EQ(LogFilePath(options_, "HOST"), "/var/log/kestrova/kestrova.qmf");
  for (const char* file : {"/srv/Errors.qmf", "/srv/Errors.QMF", "/srv/Errors.QmF"}) {
    options_.SetLogFolder(file);
    EXPECT_EQ(LogFilePath(options_, "HOST"), file);
  }
  options_.SetLogFolder("/srv/errors.qmf.d");
  EXPECT_EQ(LogFilePath(options_, "HOST"), "/srv/errors.qmf.d/kestrova.qmf");

  options_.SetLogFlags(options_.LogFlags() | 0x08);
  options_.SetLogFolder("");
  EXPECT_EQ(LogFilePath(options_, "a\"*/:<>?\\|b"), "/opt/kestrova/bin/kestrova_a_________b.qmf");
  EXPECT_EQ(LogFilePath(options_, "abcdefghijklmnopqrs"), "/opt/kestrova/bin/kestrova_abcdefghijklmno.qmf");
  options_.SetLogFolder("/srv/Errors.QMF");
  EXPECT_EQ(LogFilePath(options_, "HOST"), "/srv/Errors_HOST.QMF");
}

TEST(LogFileAccessTest, UnwritableFolderFallsBackToTheHomeFolder) {
  const fs::path home = fs::temp_directory_path() / ("kestrova-home-" + std::to_string(::getpid()));
  fs::remove_all(home);
  fs::create_directories(home);
  // Not even root can create files in /proc.
  const std::string blocked = "/proc/kestrova-test/kestrova.qmf";
  EXPECT_FALSE(LogFileUsable(blocked, false));
  EXPECT_EQ(ResolveLogFileAccess(blocked, false, home.string(), "/usr/bin/kestrova.bin"),
            (home / "Quillmark" / "kestrova" / "kestrova.qmf").string());
  EXPECT_TRUE(fs::is_directory(home / "Quillmark" / "kestrova"));
  for (const fs::path& folder : {home / "Quillmark", home / "Quillmark" / "kestrova"})
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all) << folder;
  EXPECT_FALSE(fs::exists(home / "Quillmark" / "kestrova" / "kestrova.qmf"));  // the check leaves nothing
  // An installed program's folder is never used, even where it could be written.
  EXPECT_EQ(ResolveLogFileAccess("/usr/bin/kestrova.qmf", false, home.string(), "kestrova"),
            (home / "Quillmark" / "kestrova" / "kestrova.qmf").string());
  // A reader finds no file at either place and keeps the original path.
  EXPECT_EQ(ResolveLogFileAccess(blocked, true, home.string(), "kestrova"), blocked);
  // When the fallback cannot be made either, the original path stays.
  EXPECT_EQ(ResolveLogFileAccess(blocked, false, "/proc/none", "kestrova"), blocked);

  // Through the log object: HOME and this test program's name.
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome != nullptr ? oldHome : "";
  ::setenv("HOME", home.c_str(), 1);
  {
    TLogFile log(blocked, false);
    const std::string program = fs::read_symlink("/proc/self/exe").stem().string();
    EXPECT_EQ(log.FileName(), (home / "Quillmark" / program / "kestrova.qmf").string());
    log.AddReport(ReportWith("x"), 32);
    log.Save();
  }
  if (oldHome != nullptr) ::setenv("HOME", savedHome.c_str(), 1);
  else ::unsetenv("HOME");
  fs::remove_all(home);
}

}  // namespace
}  // namespace kestrova
