#include "comport/list_com_ports.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "comport/com_error.h"

namespace kestrova {
namespace {

// Gives the names or the failure a test asks for.
class FakePortNameSource final : public PortNameSource {
 public:
  explicit FakePortNameSource(PortNameResult result) : result_(std::move(result)) {}
  PortNameResult ListPortNames() const override { return result_; }

 private:
  PortNameResult result_;
};

FakePortNameSource Names(std::vector<std::string> names) {
  return FakePortNameSource(PortNameResult{.Succeeded = true, .SystemError = 0, .Names = names});
}

TEST(ListComPortsTest, KeepsComNamesWithAllTheirDigits) {
  struct Case {
    const char* name;
    const char* listed;  // nullptr: left out
  } cases[] = {
      {"LPT1:", nullptr}, {"FILE:", nullptr}, {"com3:", nullptr}, {"Com3", nullptr},
      {"CO", nullptr},    {"", nullptr},      {" COM1", nullptr}, {"XCOM1", nullptr},
      {"COM3:", "COM3"},  {"COM", "COM"},     {"COM1:", "COM1"},  {"COM10:", "COM10"},
      {"COM12:", "COM12"}, {"COM16", "COM16"}, {"COM2 ", "COM2"}, {"COMX", "COM"},
  };
  for (const Case& c : cases) {
    QStringList ports;
    ListComPorts(ports, Names({c.name}));
    EXPECT_EQ(ports, c.listed ? QStringList{c.listed} : QStringList{}) << '"' << c.name << '"';
  }
}

TEST(ListComPortsTest, AppendsInGivenOrderAfterExistingEntries) {
  QStringList ports{"COM10", "kept"};
  ListComPorts(ports, Names({"COM1:", "LPT1:", "COM10:", "COM1:", "COM3:"}));
  EXPECT_EQ(ports, (QStringList{"COM10", "kept", "COM1", "COM10", "COM1", "COM3"}));

  ListComPorts(ports, Names({}));
  EXPECT_EQ(ports.size(), 6);
}

TEST(ListComPortsTest, FailureRaisesCode15AndLeavesListUnchanged) {
  QStringList ports{"COM1"};
  FakePortNameSource failing(
      PortNameResult{.Succeeded = false, .SystemError = EACCES, .Names = {"COM2"}});
  try {
    ListComPorts(ports, failing);
    FAIL() << "no exception";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), 15);
    EXPECT_EQ(e.SystemErrorCode(), EACCES);
    EXPECT_STREQ(e.what(), "EnumPorts function failed (win error code: 13)");
  }
  EXPECT_EQ(ports, QStringList{"COM1"});
}

}  // namespace
}  // namespace kestrova
