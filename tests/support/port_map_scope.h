// A private port map for a test: which device each port name stands for.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kestrova::support {

// A ports.conf of the given text in a private config folder, named by XDG_CONFIG_HOME while
// the object lives; the variable's previous value comes back and the folder is removed after.
// A folder that cannot be made fails the test.
class PortMapScope final {
 public:
  explicit PortMapScope(const std::string& lines);
  ~PortMapScope();
  PortMapScope(const PortMapScope&) = delete;
  PortMapScope& operator=(const PortMapScope&) = delete;

 private:
  std::filesystem::path folder_;
  std::optional<std::string> saved_;
};

}  // namespace kestrova::support
