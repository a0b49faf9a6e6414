// PortMapCache: the port map file, read again only when it has changed.
#pragma once

#include "comport/device/config_folder.h"
#include "comport/device/port_map.h"

#include <sys/stat.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

namespace kestrova {

// Every lookup asks the file system for the file's identity (device, inode, size, change and
// modification times) and reads the file again when any of them differs from the last read, or
// when the path differs (XDG_CONFIG_HOME changed). A file whose stamps are too recent to tell a
// further change within the same clock tick apart is read again at every lookup, so that two
// edits of the same size in quick succession are both seen. Safe to use from several threads.
class PortMapCache final {
 public:
  // The one the ports open their devices through.
  static PortMapCache& Shared();

  // PortMap::DevicePath of the map at file, as the file is now.
  std::string DevicePath(const std::filesystem::path& file, const std::string& portName);
  // The same for the map at PortMap::DefaultPath(), whose path is built again only when the
  // variables it comes from have changed.
  std::string DevicePath(const std::string& portName);

 private:
  std::string DevicePathLocked(const std::filesystem::path& file, const std::string& portName);
  // Whether a file with this status may still change without its status showing it.
  static bool StampTooRecent(const struct stat& st);

  std::mutex mutex_;
  // The inputs the default path was built from, and that path.
  ConfigFolderInputs defaultInputs_;
  std::optional<std::filesystem::path> defaultFile_;
  std::filesystem::path file_;
  bool valid_ = false;  // map_ and stamp_ are those of file_
  struct stat stamp_ {};
  PortMap map_;
};

}  // namespace kestrova
