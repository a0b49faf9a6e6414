// Where the program keeps its per-user files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kestrova {

// What the folder is made from: XDG_CONFIG_HOME and HOME (nullopt: unset). Equal inputs give the
// same folder, so a caller may keep the folder for as long as the inputs stay the same.
struct ConfigFolderInputs {
  std::optional<std::string> configHome;
  std::optional<std::string> home;

  // As the environment has them now.
  static ConfigFolderInputs Current();
  bool operator==(const ConfigFolderInputs&) const = default;
};

// $XDG_CONFIG_HOME/kestrova, or ~/.config/kestrova when the variable is unset or empty. The
// folder is not created.
std::filesystem::path KestrovaConfigFolder(const ConfigFolderInputs& inputs);
// The same, from the environment as it is at the call.
std::filesystem::path KestrovaConfigFolder();

}  // namespace kestrova
