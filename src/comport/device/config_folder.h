// Where the program keeps its per-user files.
#pragma once

#include <filesystem>

namespace kestrova {

// $XDG_CONFIG_HOME/kestrova, or ~/.config/kestrova when the variable is unset or empty.
// Read from the environment at each call; the folder is not created.
std::filesystem::path KestrovaConfigFolder();

}  // namespace kestrova
