// Parsers for the system files the report's collectors read (/proc, /etc), on plain text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// The IPv4 "nameserver" entries of resolv.conf text, in order.
std::vector<std::string> ParseNameServers(std::string_view resolvConf);

// Interface name -> dotted gateway of its default route, from /proc/net/route text.
std::map<std::string, std::string> ParseDefaultGateways(std::string_view procNetRoute);

// One file mapped into the process: its lowest start and highest end address.
struct MappedFile {
  std::string Path;
  std::uintptr_t Start = 0;
  std::uintptr_t End = 0;
  bool Executable = false;
};
// The files of /proc/<pid>/maps text that have code mapped (the modules), ordered by start
// address; data files, anonymous and pseudo mappings ("[stack]", "[vdso]") are left out.
std::vector<MappedFile> ParseMappedFiles(std::string_view maps);

// The processor of /proc/cpuinfo text: "model name"; else "vendor_id" and an identifier made
// of family, model and stepping joined by " - "; else "Unknown processor".
std::string ParseProcessorName(std::string_view cpuinfo);

// The system's name from os-release text: PRETTY_NAME, else NAME and VERSION; empty if none.
std::string ParseOsReleaseName(std::string_view osRelease);

// The value in kB of `key` ("MemTotal") in /proc/meminfo text, as bytes; 0 when missing.
std::uint64_t ParseMemInfoBytes(std::string_view meminfo, std::string_view key);

// Field 22 (start time in clock ticks after boot) of /proc/<pid>/stat text; 0 when malformed.
std::uint64_t ParseStartTicks(std::string_view procPidStat);
// "btime" (boot time, seconds since 1970) of /proc/stat text; 0 when missing.
std::int64_t ParseBootTime(std::string_view procStat);

// NUL-separated /proc/<pid>/cmdline text without its first entry (the program).
std::vector<std::string> ParseCommandLineParameters(std::string_view cmdline);

}  // namespace kestrova
