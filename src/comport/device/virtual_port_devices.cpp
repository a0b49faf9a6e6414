#include "comport/device/virtual_port_devices.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace kestrova {
namespace {

std::mutex mutex;
std::map<std::string, std::string> devices;

std::string Key(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  return name;
}

}  // namespace

void SetVirtualPortDevice(const std::string& portName, const std::string& devicePath) {
  std::lock_guard lock(mutex);
  if (devicePath.empty()) {
    devices.erase(Key(portName));
  } else {
    devices[Key(portName)] = devicePath;
  }
}

std::string VirtualPortDevice(const std::string& portName) {
  std::lock_guard lock(mutex);
  auto it = devices.find(Key(portName));
  return it == devices.end() ? std::string() : it->second;
}

}  // namespace kestrova
