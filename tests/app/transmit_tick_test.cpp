// The transmit tick without a window: the port's state lines, the rule for repeated failures,
// and the port steps against a scripted device (failures a real device cannot give on demand).
#include "app/transmit_tick.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/convert_error.h"
#include "app/port_state_log.h"
#include "app/tick_failure_filter.h"
#include "comport/com_port.h"
#include "comport/device/com_device_fake.h"
#include "text_lines.h"

namespace kestrova {
namespace {

using testing::Lines;

std::string PathOf(const std::string& port) { return "/dev/of-" + port; }

TEST(PortStateLogTest, OneLinePerChangeOfState) {
  const std::string failA = "Unable to open com port (win error code: 2)";
  const std::string failB = "WriteFile function failed (win error code: 5)";
  struct Case {
    const char* name;
    std::vector<PortOutcome> outcomes;
    std::vector<std::string> lines;
  } cases[] = {
      {"all sent", {{"COM2", ""}, {"COM2", ""}, {"COM3", ""}}, {}},
      {"same failure",
       {{"COM2", failA}, {"COM2", failA}, {"COM2", failA}},
       {"kestrova: COM2 (/dev/of-COM2): nothing sent: " + failA}},
      {"failure then recovery",
       {{"COM2", ""}, {"COM2", failA}, {"COM2", failA}, {"COM2", ""}, {"COM2", ""}},
       {"kestrova: COM2 (/dev/of-COM2): nothing sent: " + failA,
        "kestrova: COM2 (/dev/of-COM2): sending"}},
      {"another failure",
       {{"COM2", failA}, {"COM2", failB}},
       {"kestrova: COM2 (/dev/of-COM2): nothing sent: " + failA,
        "kestrova: COM2 (/dev/of-COM2): nothing sent: " + failB}},
      {"another port",
       {{"COM2", failA}, {"COM3", failA}, {"COM3", ""}},
       {"kestrova: COM2 (/dev/of-COM2): nothing sent: " + failA,
        "kestrova: COM3 (/dev/of-COM3): nothing sent: " + failA,
        "kestrova: COM3 (/dev/of-COM3): sending"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream out;
    PortStateLog log(out, PathOf);
    for (const PortOutcome& outcome : c.outcomes) log.Record(outcome);
    EXPECT_EQ(Lines(out.str()), c.lines);
  }
}

TEST(PortStateLogTest, ChangesAndSummary) {
  std::ostringstream out;
  PortStateLog log(out, PathOf);
  EXPECT_EQ(log.Summary("COM2", "/dev/x"), "COM2 (/dev/x): not opened by the loop yet");
  EXPECT_TRUE(log.Record({"COM2", ""})) << "the first success is a change (for the tooltip)";
  EXPECT_FALSE(log.Record({"COM2", ""}));
  EXPECT_EQ(log.Summary("COM2", "/dev/x"), "COM2 (/dev/x): sending");
  EXPECT_TRUE(log.Record({"COM2", "broken"}));
  EXPECT_FALSE(log.Record({"COM2", "broken"}));
  EXPECT_EQ(log.Summary("COM2", "/dev/x"), "COM2 (/dev/x): nothing sent: broken");
  EXPECT_EQ(log.Summary("COM5", "/dev/y"), "COM5 (/dev/y): not opened by the loop yet")
      << "a port the loop has not used since the change";
}

TEST(TickFailureFilterTest, ReportsAFailureOnceWhileItRepeats) {
  const auto convert = [](const char* message) {
    return std::make_exception_ptr(EConvertError(message));
  };
  TickFailureFilter filter;
  EXPECT_TRUE(filter.ShouldReport(convert("'x' is not a valid floating point value")));
  EXPECT_FALSE(filter.ShouldReport(convert("'x' is not a valid floating point value")));
  EXPECT_FALSE(filter.ShouldReport(convert("'x' is not a valid floating point value")));
  EXPECT_TRUE(filter.ShouldReport(convert("'xy' is not a valid floating point value")))
      << "another message";
  EXPECT_TRUE(filter.ShouldReport(
      std::make_exception_ptr(std::runtime_error("'xy' is not a valid floating point value"))))
      << "another class, same message";
  filter.Forget();
  EXPECT_TRUE(filter.ShouldReport(
      std::make_exception_ptr(std::runtime_error("'xy' is not a valid floating point value"))))
      << "after a successful tick or a pause";
  EXPECT_TRUE(filter.ShouldReport(std::make_exception_ptr(42)));
  EXPECT_TRUE(filter.ShouldReport(std::make_exception_ptr(42)))
      << "nothing to compare: always reported";
}

// A port on scripted devices, stored as the window stores it but without an event thread.
class TransmitTickTest : public ::testing::Test {
 protected:
  TransmitTickTest() {
    port_.SetDeviceFactory(script_.Factory());
    port_.SetEvents({});
    port_.SetPort("COM2");
  }

  std::vector<std::string> Written() const {
    std::vector<std::string> data;
    for (const DeviceCallRecord& record : script_.Records())
      if (record.call == DeviceCall::StartWrite) data.push_back(record.data);
    return data;
  }
  int Opens() const {
    int opens = 0;
    for (DeviceCall call : script_.Calls()) opens += call == DeviceCall::Open;
    return opens;
  }

  FakeDeviceScript script_;  // outlives the port and its devices
  TComPort port_;
  std::ostringstream diagnostics_;
  TransmitTick tick_{port_, diagnostics_};
  const TickInputs fixed_{true, "40000", "20000", "20500"};
};

TEST_F(TransmitTickTest, SendsTheFrameBetweenOpenAndClose) {
  EXPECT_EQ(tick_.Run(fixed_, "_000000_"), nullptr);
  EXPECT_EQ(Written(), std::vector<std::string>{"_040000_\r"});
  EXPECT_FALSE(port_.Connected());
  EXPECT_EQ(script_.OpenCount(), 0);
  EXPECT_EQ(diagnostics_.str(), "");
}

TEST_F(TransmitTickTest, FrameFailuresAreReturnedOnceAndSendNothing) {
  const TickInputs bad{true, "4x", "", ""};
  std::exception_ptr first = tick_.Run(bad, "0");
  ASSERT_NE(first, nullptr);
  EXPECT_THROW(std::rethrow_exception(first), EConvertError);
  EXPECT_EQ(tick_.Run(bad, "0"), nullptr) << "the same failure again";
  tick_.LoopPaused();
  EXPECT_NE(tick_.Run(bad, "0"), nullptr) << "again after a pause";
  EXPECT_EQ(tick_.Run(fixed_, "0"), nullptr);
  EXPECT_NE(tick_.Run(bad, "0"), nullptr) << "again after a successful tick";
  EXPECT_NE(tick_.Run(fixed_, std::string(225, '0')), nullptr) << "another failure";
  EXPECT_EQ(Written(), std::vector<std::string>{"40000\r"});
}

TEST_F(TransmitTickTest, AFailedWriteLeavesThePortClosed) {
  script_.Fail(DeviceCall::StartWrite, EIO);
  EXPECT_EQ(tick_.Run(fixed_, "0"), nullptr) << "port failures are never reported";
  EXPECT_FALSE(port_.Connected());
  EXPECT_EQ(script_.OpenCount(), 0);
  script_.ClearFailure();
  tick_.Run(fixed_, "0");
  EXPECT_EQ(Opens(), 2) << "the next tick opened the device afresh";
  EXPECT_EQ(Written().back(), "40000\r");
  EXPECT_EQ(Lines(diagnostics_.str()),
            (std::vector<std::string>{
                "kestrova: COM2 (/dev/ttyS1): nothing sent: WriteFile function failed (win "
                "error code: 5)",
                "kestrova: COM2 (/dev/ttyS1): sending"}));
}

TEST_F(TransmitTickTest, AFailedCloseIsDroppedAndTheNextTickOpensAfresh) {
  script_.Fail(DeviceCall::Purge, EIO);
  EXPECT_EQ(tick_.Run(fixed_, "0"), nullptr);
  EXPECT_TRUE(port_.Connected()) << "the close sequence stopped at its purge";
  script_.ClearFailure();
  EXPECT_EQ(tick_.Run(fixed_, "0"), nullptr);
  EXPECT_EQ(Opens(), 2) << "the stale device was closed and the port opened again";
  EXPECT_EQ(Written(), (std::vector<std::string>{"40000\r", "40000\r"}));
  EXPECT_FALSE(port_.Connected());
  EXPECT_EQ(script_.OpenCount(), 0);
}

}  // namespace
}  // namespace kestrova
