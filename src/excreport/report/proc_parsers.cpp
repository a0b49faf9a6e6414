#include "excreport/report/proc_parsers.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "excreport/report/log_item.h"

namespace kestrova {
namespace {

// Calls `visit` with every line of `text` (LF-separated).
template <class Visit>
void ForEachLine(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    visit(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

// Splits at runs of blanks.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

template <class T>
bool ParseNumber(std::string_view text, T& value, int base = 10) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool IsIpv4(std::string_view text) {
  int parts = 0;
  while (true) {
    const std::size_t dot = text.find('.');
    unsigned value = 256;
    if (!ParseNumber(text.substr(0, dot), value) || value > 255) return false;
    ++parts;
    if (dot == std::string_view::npos) return parts == 4;
    text.remove_prefix(dot + 1);
  }
}

// "key<blanks>: value" lines of /proc/cpuinfo; the first processor's value.
std::string CpuInfoValue(std::string_view cpuinfo, std::string_view key) {
  std::string found;
  bool done = false;
  ForEachLine(cpuinfo, [&](std::string_view line) {
    const std::size_t colon = line.find(':');
    if (done || colon == std::string_view::npos || TrimText(line.substr(0, colon)) != key) return;
    found = std::string(TrimText(line.substr(colon + 1)));
    done = true;
  });
  return found;
}

std::string Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

}  // namespace

std::vector<std::string> ParseNameServers(std::string_view resolvConf) {
  std::vector<std::string> servers;
  ForEachLine(resolvConf, [&](std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    if (words.size() >= 2 && words[0] == "nameserver" && IsIpv4(words[1])) servers.emplace_back(words[1]);
  });
  return servers;
}

std::map<std::string, std::string> ParseDefaultGateways(std::string_view procNetRoute) {
  constexpr unsigned kGatewayFlag = 0x2;
  std::map<std::string, std::string> gateways;
  ForEachLine(procNetRoute, [&](std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    std::uint32_t destination = 1, gateway = 0;
    unsigned flags = 0;
    if (words.size() < 4 || !ParseNumber(words[1], destination, 16) || !ParseNumber(words[2], gateway, 16) ||
        !ParseNumber(words[3], flags, 16) || destination != 0 || (flags & kGatewayFlag) == 0)
      return;
    // The kernel writes the address in memory order, which is little-endian here.
    char dotted[16];
    std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", gateway & 0xFF, gateway >> 8 & 0xFF, gateway >> 16 & 0xFF, gateway >> 24);
    gateways.emplace(std::string(words[0]), dotted);
  });
  return gateways;
}

std::vector<MappedFile> ParseMappedFiles(std::string_view maps) {
  std::vector<MappedFile> files;
  ForEachLine(maps, [&](std::string_view line) {
    // "start-end perms offset dev inode   path"
    const std::vector<std::string_view> words = Words(line);
    if (words.size() < 6 || words[5].front() != '/') return;
    const std::size_t dash = words[0].find('-');
    std::uintptr_t start = 0, end = 0;
    if (dash == std::string_view::npos || !ParseNumber(words[0].substr(0, dash), start, 16) ||
        !ParseNumber(words[0].substr(dash + 1), end, 16))
      return;
    // The path runs to the end of the line and may hold spaces.
    const std::string path(TrimText(line.substr(static_cast<std::size_t>(words[5].data() - line.data()))));
    const bool executable = words[1].find('x') != std::string_view::npos;
    const auto known = std::find_if(files.begin(), files.end(), [&](const MappedFile& file) { return file.Path == path; });
    if (known == files.end()) {
      files.push_back(MappedFile{path, start, end, executable});
    } else {
      known->Start = std::min(known->Start, start);
      known->End = std::max(known->End, end);
      known->Executable = known->Executable || executable;
    }
  });
  std::erase_if(files, [](const MappedFile& file) { return !file.Executable; });
  std::sort(files.begin(), files.end(), [](const MappedFile& a, const MappedFile& b) { return a.Start < b.Start; });
  return files;
}

std::string ParseProcessorName(std::string_view cpuinfo) {
  std::string name = CpuInfoValue(cpuinfo, "model name");
  if (!name.empty()) return name;
  const std::string vendor = CpuInfoValue(cpuinfo, "vendor_id");
  const std::string family = CpuInfoValue(cpuinfo, "cpu family");
  std::string identifier;
  if (!family.empty())
    identifier = "Family " + family + " Model " + CpuInfoValue(cpuinfo, "model") + " Stepping " + CpuInfoValue(cpuinfo, "stepping");
  if (vendor.empty() && identifier.empty()) return "Unknown processor";
  if (vendor.empty() || identifier.empty()) return vendor + identifier;
  return vendor + " - " + identifier;
}

std::string ParseOsReleaseName(std::string_view osRelease) {
  std::map<std::string, std::string> values;
  ForEachLine(osRelease, [&](std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos) values[std::string(TrimText(line.substr(0, equals)))] = Unquoted(TrimText(line.substr(equals + 1)));
  });
  if (!values["PRETTY_NAME"].empty()) return values["PRETTY_NAME"];
  std::string name = values["NAME"];
  if (!values["VERSION"].empty()) name += (name.empty() ? "" : " ") + values["VERSION"];
  return name;
}

std::uint64_t ParseMemInfoBytes(std::string_view meminfo, std::string_view key) {
  std::uint64_t bytes = 0;
  ForEachLine(meminfo, [&](std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || line.substr(0, colon) != key) return;
    const std::vector<std::string_view> words = Words(line.substr(colon + 1));
    std::uint64_t kilobytes = 0;
    if (!words.empty() && ParseNumber(words[0], kilobytes)) bytes = kilobytes * 1024;
  });
  return bytes;
}

std::uint64_t ParseStartTicks(std::string_view procPidStat) {
  // The command name in parentheses may hold blanks; the fields after it start with field 3.
  const std::size_t close = procPidStat.rfind(')');
  if (close == std::string_view::npos) return 0;
  const std::vector<std::string_view> words = Words(procPidStat.substr(close + 1));
  std::uint64_t ticks = 0;
  return words.size() > 19 && ParseNumber(words[19], ticks) ? ticks : 0;
}

std::int64_t ParseBootTime(std::string_view procStat) {
  std::int64_t boot = 0;
  ForEachLine(procStat, [&](std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    if (words.size() == 2 && words[0] == "btime") ParseNumber(words[1], boot);
  });
  return boot;
}

std::vector<std::string> ParseCommandLineParameters(std::string_view cmdline) {
  std::vector<std::string> parameters;
  bool first = true;
  while (!cmdline.empty()) {
    const std::size_t end = cmdline.find('\0');
    if (!first) parameters.emplace_back(cmdline.substr(0, end));
    first = false;
    if (end == std::string_view::npos) break;
    cmdline.remove_prefix(end + 1);
  }
  return parameters;
}

}  // namespace kestrova
