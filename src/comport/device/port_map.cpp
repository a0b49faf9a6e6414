#include "comport/device/port_map.h"

#include "comport/device/config_folder.h"
#include "comport/device/virtual_port_devices.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace kestrova {
namespace {

std::string Trim(const std::string& s) {
  auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

}  // namespace

int ComPortNumber(const std::string& portName) {
  std::string name = Upper(portName);
  if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0) return 0;
  if (name[3] == '0') return 0;
  int n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n >= 1 && n <= 16 ? n : 0;
}

std::filesystem::path PortMap::DefaultPath() { return DefaultPath(ConfigFolderInputs::Current()); }

std::filesystem::path PortMap::DefaultPath(const ConfigFolderInputs& inputs) {
  return KestrovaConfigFolder(inputs) / "ports.conf";
}

PortMap PortMap::Load(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) return PortMap{};
  std::ostringstream text;
  text << in.rdbuf();
  return Parse(text.str());
}

PortMap PortMap::Parse(const std::string& text) {
  PortMap map;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    line = line.substr(0, line.find('#'));
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string name = Upper(Trim(line.substr(0, eq)));
    std::string path = Trim(line.substr(eq + 1));
    if (ComPortNumber(name) == 0 || path.empty()) continue;
    map.entries_[name] = path;
  }
  return map;
}

std::string PortMap::DevicePath(const std::string& portName) const {
  int n = ComPortNumber(portName);
  if (n == 0) return {};
  auto it = entries_.find(Upper(portName));
  if (it == entries_.end()) return "/dev/ttyS" + std::to_string(n - 1);
  return it->second == kVirtualPortValue ? VirtualPortDevice(it->first) : it->second;
}

std::vector<std::string> PortMap::VirtualPortNames() const {
  std::vector<std::string> names;
  for (const auto& [name, path] : entries_) {
    if (path == kVirtualPortValue) names.push_back(name);
  }
  return names;
}

}  // namespace kestrova
