// The folder where virtual ports publish the links that reading programs open.
#pragma once

#include <filesystem>

namespace kestrova {

// $XDG_RUNTIME_DIR/kestrova when the runtime folder exists; otherwise the private folder
// /tmp/kestrova-<uid>. Created with mode 0700 when missing. The /tmp folder must be a real
// directory owned by this user with no access for others, since anyone may create names
// there; anything else throws std::runtime_error. Other failures throw std::system_error.
std::filesystem::path VirtualPortFolder();

}  // namespace kestrova
