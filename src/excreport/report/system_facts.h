// Collectors of the report values that need no exception capture: the program, the machine,
// the operating system, the network and the loaded modules.
//
// Linux has no equivalent of some values the report was designed around. What each item holds
// here:
//
//   Item                  Linux source / value written
//   1.1 Start Date        /proc/self/stat start ticks + "btime" of /proc/stat
//   1.2 Name/Description  file name of /proc/self/exe (ELF files carry no description)
//   1.3 Version Number    the version the application passes; "0.0.0.0" when it passes none
//   1.4 Parameters        /proc/self/cmdline without the program
//   1.5 Compilation Date  the data block's build date (passed in); empty when 0
//   4.1 Name              gethostname(), cut to 15 characters
//   4.2 User              user name of the effective user ID, else $USER, else empty
//   4.3/4.4 Memory        MemTotal / MemAvailable of /proc/meminfo
//   4.5/4.6 Disk          statvfs() of the program's folder (free = available to the user)
//   4.7 System Up Time    CLOCK_BOOTTIME
//   4.8 Processor         /proc/cpuinfo "model name", else vendor - family/model/stepping,
//                         else "Unknown processor"
//   4.9 Display Mode      passed by the GUI layer; empty without a screen
//   5.1 Type              PRETTY_NAME of /etc/os-release (no "Microsoft Windows ..." name)
//   5.2 Build #           kernel release (uname -r)
//   5.3 Update            kernel build string (uname -v), trimmed
//   5.4 Language          first set of $LC_ALL, $LC_MESSAGES, $LANG; empty when none
//   6.1/6.2 IP, Submask   IPv4 addresses of the non-loopback interfaces (netlink)
//   6.3 Gateway           default route of the address's interface (/proc/net/route);
//                         "000.000.000.000" when it has none
//   6.4/6.5 DNS           first two IPv4 "nameserver" lines of /etc/resolv.conf;
//                         "000.000.000.000" when missing
//   6.6 DHCP              "ON" for an address with a limited lifetime (leased, as DHCP
//                         clients set it), "OFF" for a permanent one
//   Modules               /proc/self/maps files: load address, mapped size, st_mtime of the
//                         file; description empty, version "0.0.0.0" (no version resources)
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "excreport/report/report_data.h"

namespace kestrova {

// `unixSeconds` with the local offset from UTC at that moment.
ReportTime LocalReportTime(std::int64_t unixSeconds);
ReportTime CurrentReportTime();

// `version` empty means "0.0.0.0"; `buildDate` counts days from 1899-12-30, 0 = none.
// `processFolder` names the process: this one, or a crashed one that its helper reports.
ApplicationInfo CollectApplicationInfo(std::string_view version, double buildDate,
                                       const std::string& processFolder = "/proc/self");

// The host name, at most 15 characters.
std::string ComputerName();
ComputerInfo CollectComputerInfo(std::optional<DisplayMode> display);

OperatingSystemInfo CollectOperatingSystemInfo();

NetworkInfo CollectNetworkInfo();

// The files mapped into the process, ordered by load address.
std::vector<ReportModule> CollectLoadedModules(const std::string& processFolder = "/proc/self");

// The whole content of a (small, virtual) file; empty when it cannot be read.
std::string ReadSystemFile(const char* path);

}  // namespace kestrova
