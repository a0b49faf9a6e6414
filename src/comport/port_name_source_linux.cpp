#include "comport/port_name_source_linux.h"

#include <fstream>
#include <ranges>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

namespace kestrova {
namespace {

constexpr int kHighestPortNumber = 16;

std::string ComName(int number) { return "COM" + std::to_string(number); }

// "ttyS<k>" -> k + 1, the COM number the serial line would carry; 0 for any other name.
int ComNumberOfSerialTty(std::string_view name) {
  constexpr std::string_view prefix = "ttyS";
  if (!name.starts_with(prefix)) return 0;
  std::string_view digits = name.substr(prefix.size());
  if (digits.empty() || digits.size() > 2) return 0;
  int index = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    index = index * 10 + (c - '0');
  }
  return index + 1;
}

// The 8250 driver registers its legacy ports whether or not a UART answers there; those
// report the port type 0 (unknown) and would only fail at open.
bool IsStubUart(const std::filesystem::path& ttyDir) {
  std::ifstream typeFile(ttyDir / "type");
  std::string type;
  return typeFile >> type && type == "0";
}

bool DeviceExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace

PortNameSourceLinux::PortNameSourceLinux()
    : PortNameSourceLinux("/sys/class/tty", PortMap::LoadDefault()) {}

PortNameSourceLinux::PortNameSourceLinux(std::filesystem::path sysfsTtyRoot, PortMap map)
    : sysfsTtyRoot_(std::move(sysfsTtyRoot)), map_(std::move(map)) {}

PortNameResult PortNameSourceLinux::ListPortNames() const {
  std::set<int> numbers;
  for (const auto& name : map_.Entries() | std::views::keys) {
    if (DeviceExists(map_.DevicePath(name))) numbers.insert(ComPortNumber(name));
  }

  std::error_code ec;
  std::filesystem::directory_iterator it(sysfsTtyRoot_, ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const int number = ComNumberOfSerialTty(it->path().filename().native());
    if (number == 0 || number > kHighestPortNumber) continue;
    if (map_.Entries().contains(ComName(number))) continue;
    if (!IsStubUart(it->path())) numbers.insert(number);
  }
  if (ec) return PortNameResult{.Succeeded = false, .SystemError = ec.value(), .Names = {}};

  PortNameResult result;
  for (int number : numbers) result.Names.push_back(ComName(number));
  return result;
}

}  // namespace kestrova
