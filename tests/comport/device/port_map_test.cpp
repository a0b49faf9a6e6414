#include "comport/device/port_map.h"

#include <gtest/gtest.h>

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
  std::filesystem::remove_all(dir);
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace kestrova
