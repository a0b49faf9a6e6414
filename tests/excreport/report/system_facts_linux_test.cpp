// The collectors against this machine: values must be plausible and consistent with what the
// test can see itself.
#include "excreport/report/system_facts.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "excreport/log/log_text.h"
#include "excreport/options/quill_module_options.h"
#include "excreport/report/report_builder.h"

namespace kestrova {
namespace {

TEST(SystemFactsLinuxTest, ApplicationInfo) {
  const ApplicationInfo info = CollectApplicationInfo("", 45716.5);
  EXPECT_EQ(info.Name, std::filesystem::read_symlink("/proc/self/exe").filename().string());
  EXPECT_EQ(info.Version, "0.0.0.0");
  EXPECT_EQ(CollectApplicationInfo("1.2.3.4", 0).Version, "1.2.3.4");
  EXPECT_FALSE(CollectApplicationInfo("", 0).CompilationDate.has_value());
  ASSERT_TRUE(info.CompilationDate.has_value());
  EXPECT_EQ(info.CompilationDate->UnixSeconds, 1740744000);
  // The process started a moment ago.
  const std::int64_t now = std::time(nullptr);
  EXPECT_LE(info.StartTime.UnixSeconds, now + 1);
  EXPECT_GT(info.StartTime.UnixSeconds, now - 600);
}

TEST(SystemFactsLinuxTest, ComputerAndSystem) {
  const ComputerInfo computer = CollectComputerInfo(DisplayMode{800, 600, 32});
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  EXPECT_EQ(computer.Name, std::string(host).substr(0, 15));
  EXPECT_LE(computer.Name.size(), 15u);
  EXPECT_FALSE(computer.User.empty());
  EXPECT_GT(computer.TotalMemory, 0u);
  EXPECT_LE(computer.FreeMemory, computer.TotalMemory);
  EXPECT_GT(computer.TotalDisk, 0u);
  EXPECT_LE(computer.FreeDisk, computer.TotalDisk);
  EXPECT_GT(computer.UpTimeMs, 0u);
  EXPECT_FALSE(computer.Processor.empty());
  ASSERT_TRUE(computer.Display.has_value());
  EXPECT_EQ(computer.Display->Width, 800);
  EXPECT_FALSE(CollectComputerInfo(std::nullopt).Display.has_value());

  const OperatingSystemInfo system = CollectOperatingSystemInfo();
  EXPECT_FALSE(system.Type.empty());
  EXPECT_FALSE(system.Build.empty());
}

TEST(SystemFactsLinuxTest, NetworkLeavesTheLoopbackOut) {
  for (const NetworkAdapter& adapter : CollectNetworkInfo().Adapters) {
    EXPECT_NE(adapter.Address.rfind("127.", 0), 0u) << adapter.Address;
    EXPECT_FALSE(adapter.Mask.empty());
  }
}

TEST(SystemFactsLinuxTest, LoadedModulesHoldThisProgramAndLibc) {
  const std::vector<ReportModule> modules = CollectLoadedModules();
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  bool foundSelf = false;
  bool foundLibc = false;
  for (std::size_t i = 0; i < modules.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(modules[i - 1].Handle, modules[i].Handle);
    }
    EXPECT_GT(modules[i].Size, 0u);
    EXPECT_EQ(modules[i].Version, "0.0.0.0");
    foundSelf = foundSelf || modules[i].Path == self;
    foundLibc = foundLibc || modules[i].Name.rfind("libc.so", 0) == 0;
  }
  EXPECT_TRUE(foundSelf);
  EXPECT_TRUE(foundLibc);
  const auto here = reinterpret_cast<std::uintptr_t>(&CollectLoadedModules);
  bool covered = false;
  for (const ReportModule& module : modules) covered = covered || (module.Handle <= here && here < module.Handle + module.Size);
  EXPECT_TRUE(covered);
}

// A report of this machine keeps the log's rules: one report, no separator inside, items that
// read back.
TEST(SystemFactsLinuxTest, ReportOfThisMachineReadsBack) {
  TQuillModuleOptions options("/usr/bin/kestrova", false);
  options.SetLogFlags(0x30);
  ReportData data;
  data.Application = CollectApplicationInfo("1.0.0", 45716.5);
  data.Exception.Time = CurrentReportTime();
  data.Exception.ClassName = "EConvertError";
  data.Exception.Message = "'x' is not a valid integer value";
  data.Computer = CollectComputerInfo(std::nullopt);
  data.System = CollectOperatingSystemInfo();
  data.Network = CollectNetworkInfo();
  data.Modules = CollectLoadedModules();
  const std::string report = BuildReport(data, options).Text();
  const std::vector<std::string> reports = SplitLogReports(report + kReportTerminator);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], report + kReportTerminator);
  EXPECT_EQ(ReportItemValue(report, "4.1"), data.Computer.Name);
  EXPECT_EQ(ReportItemValue(report, "1.3"), "1.0.0");
  EXPECT_NE(report.find("|" + data.Modules.front().Name), std::string::npos);
}

}  // namespace
}  // namespace kestrova
