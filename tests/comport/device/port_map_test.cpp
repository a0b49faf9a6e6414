#include "comport/device/port_map.h"
#include "comport/device/port_map_cache.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace kestrova {
namespace {

TEST(PortMapTest, MappedAndUnmappedNames) {
  PortMap map = PortMap::Parse(
      "# test map\n"
      "com2 = /dev/serial/by-id/usb-adapter-port0   # trailing comment\n"
      "\n"
      "COM16=/dev/pts/7\r\n"
      "COM17 = /dev/ttyUSB9\n"
      "COM3 =\n"
      "garbage line\n");
  struct Case {
    const char* name;
    const char* path;
  } cases[] = {
      {"COM2", "/dev/serial/by-id/usb-adapter-port0"},
      {"com2", "/dev/serial/by-id/usb-adapter-port0"},
      {"COM16", "/dev/pts/7"},
      {"COM1", "/dev/ttyS0"},
      {"COM3", "/dev/ttyS2"},
      {"COM17", ""},
      {"COM0", ""},
      {"COM02", ""},
      {"LPT1", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(map.DevicePath(c.name), c.path) << c.name;
  EXPECT_EQ(map.Entries().size(), 2u);
}

TEST(PortMapTest, DefaultPathFollowsXdgConfigHomeAndMissingFileIsEmpty) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old ? old : "";
  auto dir = std::filesystem::temp_directory_path() / ("portmap-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "kestrova");
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  EXPECT_EQ(PortMap::DefaultPath(), dir / "kestrova" / "ports.conf");
  EXPECT_TRUE(PortMap::LoadDefault().Entries().empty());
  std::ofstream(dir / "kestrova" / "ports.conf") << "COM2 = /dev/pts/3\n";
  EXPECT_EQ(PortMap::LoadDefault().DevicePath("COM2"), "/dev/pts/3");
  // The cache builds the default path once, but follows the variable when it changes.
  PortMapCache cache;
  EXPECT_EQ(cache.DevicePath("COM2"), "/dev/pts/3");
  const auto other = dir / "other";
  std::filesystem::create_directories(other / "kestrova");
  std::ofstream(other / "kestrova" / "ports.conf") << "COM2 = /dev/pts/4\n";
  setenv("XDG_CONFIG_HOME", other.c_str(), 1);
  EXPECT_EQ(cache.DevicePath("COM2"), "/dev/pts/4");
  std::filesystem::remove_all(dir);
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

// The cache sees every edit: same-size rewrites in quick succession (within one tick of the file
// clock), a file replaced by rename, a removed file, another folder, stamps set back in time.
TEST(PortMapTest, CacheSeesEveryChangeOfTheFile) {
  auto dir = std::filesystem::temp_directory_path() / ("portmap-cache-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  const auto file = dir / "a" / "ports.conf", other = dir / "b" / "ports.conf";
  PortMapCache cache;
  auto write = [](const std::filesystem::path& to, const std::string& text) { std::ofstream(to) << text; };
  auto setOld = [](const std::filesystem::path& f) {
    // As after a copy that keeps the times.
    std::filesystem::last_write_time(f, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  };

  EXPECT_EQ(cache.DevicePath(file, "COM2"), "/dev/ttyS1");
  for (int i = 0; i < 10; ++i) {
    write(file, "COM2 = /dev/pts/" + std::to_string(i) + "\n");
    EXPECT_EQ(cache.DevicePath(file, "COM2"), "/dev/pts/" + std::to_string(i));
  }
  setOld(file);
  EXPECT_EQ(cache.DevicePath(file, "COM2"), "/dev/pts/9");

  write(dir / "a" / "new.conf", "COM2 = /dev/pts/8\n");
  setOld(dir / "a" / "new.conf");
  std::filesystem::rename(dir / "a" / "new.conf", file);
  EXPECT_EQ(cache.DevicePath(file, "COM2"), "/dev/pts/8");

  write(other, "COM2 = /dev/pts/7\n");
  setOld(other);
  EXPECT_EQ(cache.DevicePath(other, "COM2"), "/dev/pts/7");
  EXPECT_EQ(cache.DevicePath(file, "COM2"), "/dev/pts/8");

  std::filesystem::remove(file);
  EXPECT_EQ(cache.DevicePath(file, "COM2"), "/dev/ttyS1");
  write(file, "COM2 = /dev/pts/6\n");
  setOld(file);
  EXPECT_EQ(cache.DevicePath(file, "COM2"), "/dev/pts/6");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kestrova
