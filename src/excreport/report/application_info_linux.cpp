// The program's own values and local time on Linux.
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "excreport/report/proc_parsers.h"
#include "excreport/report/report_formats.h"
#include "excreport/report/system_facts.h"

namespace kestrova {

std::string ReadSystemFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

ReportTime LocalReportTime(std::int64_t unixSeconds) {
  const time_t time = static_cast<time_t>(unixSeconds);
  struct tm local {};
  localtime_r(&time, &local);
  return ReportTime{unixSeconds, static_cast<std::int32_t>(local.tm_gmtoff)};
}

ReportTime CurrentReportTime() { return LocalReportTime(static_cast<std::int64_t>(::time(nullptr))); }

ApplicationInfo CollectApplicationInfo(std::string_view version, double buildDate, const std::string& processFolder) {
  ApplicationInfo info;
  const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
  const std::uint64_t startTicks = ParseStartTicks(ReadSystemFile((processFolder + "/stat").c_str()));
  info.StartTime = LocalReportTime(ParseBootTime(ReadSystemFile("/proc/stat")) +
                                   static_cast<std::int64_t>(startTicks / static_cast<std::uint64_t>(ticksPerSecond > 0 ? ticksPerSecond : 100)));
  std::error_code error;
  info.Name = std::filesystem::read_symlink(processFolder + "/exe", error).filename().string();
  info.Version = version.empty() ? "0.0.0.0" : std::string(version);
  info.Parameters = ParseCommandLineParameters(ReadSystemFile((processFolder + "/cmdline").c_str()));
  if (buildDate != 0) info.CompilationDate = BuildDateTime(buildDate, CurrentReportTime().UtcOffsetSeconds);
  return info;
}

}  // namespace kestrova
