#include "comport/port_name_source_linux.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "comport/com_error.h"
#include "comport/device/virtual_port_devices.h"
#include "comport/list_com_ports.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

// A small sysfs tty folder and device folder in a private temporary directory.
class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kestrova-sysfs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    tty_ = root_ / "sys/class/tty";
    fs::create_directories(tty_);
    fs::create_directories(root_ / "dev/serial/by-id");
  }
  void TearDown() override { fs::remove_all(root_); }

  // A tty entry; real sysfs entries are links into /sys/devices, so some tests use one.
  void Tty(const std::string& name, const char* type, bool asLink = false) {
    fs::path dir = asLink ? root_ / "sys/devices/platform/serial8250/tty" / name : tty_ / name;
    fs::create_directories(dir);
    if (type != nullptr) std::ofstream(dir / "type") << type << '\n';
    if (asLink) fs::create_directory_symlink(dir, tty_ / name);
  }
  std::string Device(const std::string& name) {
    fs::path path = root_ / "dev" / name;
    std::ofstream{path};
    return path.string();
  }
  std::string ById(const std::string& name, const std::string& target) {
    fs::path link = root_ / "dev/serial/by-id" / name;
    fs::create_symlink(target, link);
    return link.string();
  }
  std::vector<std::string> List(const std::string& mapText) const {
    PortNameResult result = PortNameSourceLinux(tty_, PortMap::Parse(mapText)).ListPortNames();
    EXPECT_TRUE(result.Succeeded) << "errno " << result.SystemError;
    return result.Names;
  }

  fs::path root_;
  fs::path tty_;
};

TEST_F(FakeSysfs, RealUartsAndExistingMappedDevicesInNumberOrder) {
  Tty("ttyS0", "4");
  Tty("ttyS1", "0");           // stub UART
  Tty("ttyS2", "4", true);     // mapped below to a by-id link that does not resolve
  Tty("ttyS4", "4", true);     // mapped below to an existing device as well
  Tty("ttyS15", "4");
  Tty("ttyS16", "4");          // COM17 is beyond the names a port can carry
  Tty("ttyUSB0", nullptr);
  Tty("ttyACM0", nullptr);
  Tty("tty0", nullptr);
  Tty("console", nullptr);
  const std::string usb = Device("ttyUSB0");
  const std::string present = ById("usb-adapter-if00-port0", usb);
  const std::string dangling = ById("usb-unplugged-if00-port0", (root_ / "dev/ttyUSB1").string());
  const std::string pts = Device("pts-7");
  const std::string map = "COM3 = " + dangling + "\n" +
                          "COM5 = " + pts + "\n" +
                          "COM12 = " + present + "\n" +
                          "COM9 = " + (root_ / "dev/serial/by-id/usb-never-seen").string() + "\n";
  EXPECT_EQ(List(map), (std::vector<std::string>{"COM1", "COM5", "COM12", "COM16"}));
  // Without the map the serial lines stand for themselves; ttyUSB0 needs a map line.
  EXPECT_EQ(List(""), (std::vector<std::string>{"COM1", "COM3", "COM5", "COM16"}));
}

// A port mapped as "virtual" is listed while a virtual port serves it, and not otherwise.
TEST_F(FakeSysfs, VirtualPortListedWhileItIsServed) {
  Tty("ttyS0", "4");
  EXPECT_EQ(List("COM7 = virtual\n"), (std::vector<std::string>{"COM1"}));
  SetVirtualPortDevice("COM7", Device("pts-9"));
  EXPECT_EQ(List("COM7 = virtual\n"), (std::vector<std::string>{"COM1", "COM7"}));
  SetVirtualPortDevice("COM7", {});
  EXPECT_EQ(List("COM7 = virtual\n"), (std::vector<std::string>{"COM1"}));
}

TEST_F(FakeSysfs, ListComPortsAppendsWhatTheMachineHas) {
  Tty("ttyS0", "4");
  Tty("ttyS1", "0");
  const std::string link = ById("usb-adapter-if00-port0", Device("ttyACM0"));
  QStringList ports{"old"};
  ListComPorts(ports, PortNameSourceLinux(tty_, PortMap::Parse("COM10 = " + link)));
  EXPECT_EQ(ports, (QStringList{"old", "COM1", "COM10"}));
}

TEST_F(FakeSysfs, UnreadableTtyFolderFailsWithItsErrno) {
  std::ofstream(root_ / "not-a-folder") << "x";
  const std::string present = Device("ttyUSB0");
  struct Case {
    fs::path root;
    int error;
  } cases[] = {{root_ / "missing", ENOENT}, {root_ / "not-a-folder", ENOTDIR}};
  for (const Case& c : cases) {
    PortNameSourceLinux source(c.root, PortMap::Parse("COM2 = " + present));
    PortNameResult result = source.ListPortNames();
    EXPECT_FALSE(result.Succeeded) << c.root;
    EXPECT_EQ(result.SystemError, c.error) << c.root;

    QStringList ports{"COM7"};
    try {
      ListComPorts(ports, source);
      ADD_FAILURE() << "no exception for " << c.root;
    } catch (const EComPort& e) {
      EXPECT_EQ(e.ErrorCode(), errEnumPortsFailed);
      EXPECT_EQ(e.SystemErrorCode(), c.error);
    }
    EXPECT_EQ(ports, QStringList{"COM7"});
  }
}

}  // namespace
}  // namespace kestrova
