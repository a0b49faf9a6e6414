#include "comport/device/virtual_port_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace kestrova {
namespace {

class RuntimeDirScope final {
 public:
  explicit RuntimeDirScope(const char* value) {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
    if (value != nullptr) {
      ::setenv("XDG_RUNTIME_DIR", value, 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
  }
  ~RuntimeDirScope() {
    if (saved_) {
      ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
  }

 private:
  std::optional<std::string> saved_;
};

mode_t Mode(const std::filesystem::path& folder) {
  struct stat st {};
  EXPECT_EQ(::stat(folder.c_str(), &st), 0) << folder;
  return st.st_mode & 07777;
}

TEST(VirtualPortFolderTest, RuntimeFolderWhenThereIsOnePrivateTmpFolderOtherwise) {
  const std::filesystem::path runtime = std::getenv("XDG_RUNTIME_DIR");  // set by the test entry
  std::filesystem::remove_all(runtime / "kestrova");
  EXPECT_EQ(VirtualPortFolder(), runtime / "kestrova");
  EXPECT_EQ(Mode(runtime / "kestrova"), 0700u);

  const std::filesystem::path fallback = "/tmp/kestrova-" + std::to_string(::getuid());
  for (const char* value : {static_cast<const char*>(nullptr), "", "/nonexistent/kestrova-runtime"}) {
    RuntimeDirScope scope(value);
    EXPECT_EQ(VirtualPortFolder(), fallback) << (value ? value : "unset");
    EXPECT_EQ(Mode(fallback), 0700u);
  }
}

}  // namespace
}  // namespace kestrova
