#include "support/port_map_scope.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace kestrova::support {

PortMapScope::PortMapScope(const std::string& lines) {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrova-ports-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "no temporary folder";
    return;
  }
  folder_ = pattern;
  std::filesystem::create_directories(folder_ / "kestrova");
  std::ofstream(folder_ / "kestrova" / "ports.conf") << lines;
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_ = old;
  ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
}

PortMapScope::~PortMapScope() {
  if (folder_.empty()) return;
  if (saved_) {
    ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
  std::filesystem::remove_all(folder_);
}

}  // namespace kestrova::support
