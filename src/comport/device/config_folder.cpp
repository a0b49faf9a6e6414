#include "comport/device/config_folder.h"

#include <cstdlib>

namespace kestrova {
namespace {

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace

ConfigFolderInputs ConfigFolderInputs::Current() {
  return {.configHome = Variable("XDG_CONFIG_HOME"), .home = Variable("HOME")};
}

std::filesystem::path KestrovaConfigFolder(const ConfigFolderInputs& inputs) {
  std::filesystem::path base;
  if (inputs.configHome && !inputs.configHome->empty()) {
    base = *inputs.configHome;
  } else {
    base = std::filesystem::path(inputs.home ? *inputs.home : ".") / ".config";
  }
  return base / "kestrova";
}

std::filesystem::path KestrovaConfigFolder() { return KestrovaConfigFolder(ConfigFolderInputs::Current()); }

}  // namespace kestrova
