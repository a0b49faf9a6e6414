#include "comport/device/config_folder.h"

#include <cstdlib>

namespace kestrova {

std::filesystem::path KestrovaConfigFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path base;
  if (config != nullptr && *config != '\0') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home != nullptr ? home : ".") / ".config";
  }
  return base / "kestrova";
}

}  // namespace kestrova
