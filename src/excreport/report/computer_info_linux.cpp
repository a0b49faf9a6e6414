// The machine's values and the operating system on Linux.
#include <pwd.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "excreport/report/log_item.h"
#include "excreport/report/proc_parsers.h"
#include "excreport/report/system_facts.h"

namespace kestrova {
namespace {

std::string UserName() {
  char buffer[4096];
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) return found->pw_name;
  const char* user = std::getenv("USER");
  return user != nullptr ? user : "";
}

std::string FirstSetVariable(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

}  // namespace

std::string ComputerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return std::string(name).substr(0, 15);
}

ComputerInfo CollectComputerInfo(std::optional<DisplayMode> display) {
  ComputerInfo info;
  info.Name = ComputerName();
  info.User = UserName();
  const std::string meminfo = ReadSystemFile("/proc/meminfo");
  info.TotalMemory = ParseMemInfoBytes(meminfo, "MemTotal");
  info.FreeMemory = ParseMemInfoBytes(meminfo, "MemAvailable");
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
  struct statvfs disk {};
  if (!error && ::statvfs(folder.c_str(), &disk) == 0) {
    info.TotalDisk = static_cast<std::uint64_t>(disk.f_blocks) * disk.f_frsize;
    info.FreeDisk = static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
  }
  struct timespec boot {};
  if (::clock_gettime(CLOCK_BOOTTIME, &boot) == 0)
    info.UpTimeMs = static_cast<std::uint64_t>(boot.tv_sec) * 1000 + static_cast<std::uint64_t>(boot.tv_nsec) / 1000000;
  info.Processor = ParseProcessorName(ReadSystemFile("/proc/cpuinfo"));
  info.Display = display;
  return info;
}

OperatingSystemInfo CollectOperatingSystemInfo() {
  OperatingSystemInfo info;
  info.Type = ParseOsReleaseName(ReadSystemFile("/etc/os-release"));
  struct utsname names {};
  if (::uname(&names) == 0) {
    info.Build = names.release;
    info.Update = std::string(TrimText(names.version));
  }
  info.Language = FirstSetVariable({"LC_ALL", "LC_MESSAGES", "LANG"});
  return info;
}

}  // namespace kestrova
