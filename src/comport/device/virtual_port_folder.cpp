#include "comport/device/virtual_port_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>

namespace kestrova {
namespace {

bool IsDirectory(const char* path) {
  struct stat st {};
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

void MakeFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    throw std::system_error(errno, std::generic_category(), "cannot create " + folder.string());
  }
}

}  // namespace

std::filesystem::path VirtualPortFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0' && IsDirectory(runtime)) {
    std::filesystem::path folder = std::filesystem::path(runtime) / "kestrova";
    MakeFolder(folder);
    return folder;
  }
  std::filesystem::path folder = "/tmp/kestrova-" + std::to_string(::getuid());
  MakeFolder(folder);
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot inspect " + folder.string());
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0) {
    throw std::runtime_error(folder.string() + " is not a private folder of this user");
  }
  return folder;
}

}  // namespace kestrova
