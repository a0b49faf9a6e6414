#include "comport/device/port_map_cache.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <utility>

namespace kestrova {
namespace {

using std::chrono::nanoseconds;
using std::chrono::seconds;

nanoseconds Since(const timespec& t) { return seconds(t.tv_sec) + nanoseconds(t.tv_nsec); }

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         Since(a.st_mtim) == Since(b.st_mtim) && Since(a.st_ctim) == Since(b.st_ctim);
}

}  // namespace

PortMapCache& PortMapCache::Shared() {
  static PortMapCache cache;
  return cache;
}

bool PortMapCache::StampTooRecent(const struct stat& st) {
  // File times come from a clock that advances in ticks of up to 10 ms; a file system that
  // keeps whole seconds only (no fraction in either stamp) is given two seconds.
  const bool wholeSeconds = st.st_mtim.tv_nsec == 0 && st.st_ctim.tv_nsec == 0;
  const nanoseconds margin = wholeSeconds ? nanoseconds(seconds(2)) : nanoseconds(std::chrono::milliseconds(50));
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return std::max(Since(st.st_mtim), Since(st.st_ctim)) > Since(now) - margin;
}

std::string PortMapCache::DevicePath(const std::filesystem::path& file, const std::string& portName) {
  std::lock_guard lock(mutex_);
  return DevicePathLocked(file, portName);
}

std::string PortMapCache::DevicePath(const std::string& portName) {
  std::lock_guard lock(mutex_);
  ConfigFolderInputs inputs = ConfigFolderInputs::Current();
  if (!defaultFile_ || inputs != defaultInputs_) {
    defaultFile_ = PortMap::DefaultPath(inputs);
    defaultInputs_ = std::move(inputs);
  }
  return DevicePathLocked(*defaultFile_, portName);
}

std::string PortMapCache::DevicePathLocked(const std::filesystem::path& file, const std::string& portName) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    valid_ = false;  // no file: the empty map
    return PortMap{}.DevicePath(portName);
  }
  if (!valid_ || file.native() != file_.native() || !SameFile(st, stamp_)) {
    map_ = PortMap::Load(file);
    file_ = file;
    stamp_ = st;
    valid_ = !StampTooRecent(st);
  }
  return map_.DevicePath(portName);
}

}  // namespace kestrova
