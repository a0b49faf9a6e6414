// The transmit loop end to end: the window's ticks on a pseudo-terminal mapped as COM2, read
// by the peer on the other side, in a real Qt event loop (offscreen).
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/random_below.h"
#include "app/virtual_ports.h"
#include "app_test_support.h"
#include "comport/com_port.h"
#include "comport/device/port_map.h"

namespace kestrova {
namespace {

using testing::App;
using testing::Control;

// Frames as the peer sees them: each ends with byte 13.
std::vector<std::string> SplitFrames(const std::string& received) {
  std::vector<std::string> frames;
  std::string::size_type start = 0;
  for (std::string::size_type end; (end = received.find('\r', start)) != std::string::npos;
       start = end + 1)
    frames.push_back(received.substr(start, end + 1 - start));
  return frames;
}

class TransmitLoopTest : public ::testing::Test {
 protected:
  void TearDown() override { App().SetExceptionHook({}); }

  void StartLoop(TFMain& window) {
    window.show();
    QTest::mouseClick(Control<QPushButton>(window, "Button1"), Qt::LeftButton);
    ASSERT_TRUE(Control<QTimer>(window, "Timer1")->isActive());
  }

  // Runs the event loop until the peer has count frames; returns them.
  std::vector<std::string> AwaitFrames(support::PseudoTerminalPair& line, std::size_t count) {
    std::string received;
    const bool arrived = QTest::qWaitFor(
        [&] {
          received += line.TakeReceived();
          return SplitFrames(received).size() >= count;
        },
        5000);
    EXPECT_TRUE(arrived) << "received: " << received;
    return SplitFrames(received);
  }

  // Exceptions that leave the window's handlers, as the reporting subsystem would get them.
  void InstallRecordingHook() {
    App().SetExceptionHook([this](const std::exception_ptr& error) {
      raised_.push_back(TApplication::ExceptionMessage(error));
      return true;
    });
  }

  std::vector<std::string> raised_;
};

TEST_F(TransmitLoopTest, FixedReadingEveryTickOnTheStoredLineSettings) {
  support::PseudoTerminalPair line("COM2");
  TFMain window(App());
  InstallRecordingHook();
  StartLoop(window);
  const std::vector<std::string> frames = AwaitFrames(line, 4);
  ASSERT_GE(frames.size(), 4u);
  for (const std::string& frame : frames) EXPECT_EQ(frame, "_040000_\r");

  // The port left the line at 4800 baud, 8 data bits, 2 stop bits, no parity, raw output.
  termios settings{};
  ASSERT_EQ(::tcgetattr(line.Slave(), &settings), 0);
  EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B4800));
  EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(settings.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
  EXPECT_EQ(settings.c_cflag & PARENB, 0u);
  EXPECT_EQ(settings.c_oflag & OPOST, 0u);

  // Stopped: no frame follows, and the port is closed between ticks.
  QTest::mouseClick(Control<QPushButton>(window, "Button1"), Qt::LeftButton);
  EXPECT_EQ(Control<QPushButton>(window, "Button1")->text(), "Continua Loop");
  QTest::qWait(20);
  line.TakeReceived();
  QTest::qWait(200);
  EXPECT_EQ(line.TakeReceived(), "");
  EXPECT_FALSE(Control<TComPort>(window, "ComPort1")->Connected());
  EXPECT_TRUE(raised_.empty());
}

TEST_F(TransmitLoopTest, RandomReadingsOfAFreshSequence) {
  support::PseudoTerminalPair line("COM2");
  TFMain window(App());
  InstallRecordingHook();
  testing::ClickCheckBox(Control<QCheckBox>(window, "CheckBox2"));
  ASSERT_FALSE(Control<QCheckBox>(window, "CheckBox1")->isChecked());
  RandomSeed = 0;
  StartLoop(window);
  const std::vector<std::string> frames = AwaitFrames(line, 3);
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(frames.begin(), frames.begin() + 3),
            (std::vector<std::string>{"_020000_\r", "_020015_\r", "_020430_\r"}));
  EXPECT_TRUE(raised_.empty());
}

TEST_F(TransmitLoopTest, AFailureIsReportedOnceWhileItRepeats) {
  support::PseudoTerminalPair line("COM2");
  TFMain window(App());
  InstallRecordingHook();
  auto* edit = Control<QLineEdit>(window, "Edit1");
  auto* timer = Control<QTimer>(window, "Timer1");
  testing::TickCounter ticks(timer);
  const auto awaitTicks = [&](int count) {
    const int until = ticks.Count() + count;
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.Count() >= until; }, 5000));
    QCoreApplication::processEvents();
  };
  const std::string bad = "'4x0000' is not a valid floating point value.";
  edit->setText("4x0000");
  StartLoop(window);
  awaitTicks(5);
  EXPECT_EQ(raised_, std::vector<std::string>{bad}) << "the same failure is reported once";
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(line.TakeReceived(), "");

  // Another failure is reported; so is the same one after a pause.
  edit->setText("4y0000");
  awaitTicks(3);
  auto* loop = Control<QPushButton>(window, "Button1");
  QTest::mouseClick(loop, Qt::LeftButton);
  QTest::mouseClick(loop, Qt::LeftButton);
  awaitTicks(3);
  const std::string other = "'4y0000' is not a valid floating point value.";
  EXPECT_EQ(raised_, (std::vector<std::string>{bad, other, other}));

  // Corrected while running: the next ticks send again, and the old failure counts anew.
  edit->setText("40000");
  const std::vector<std::string> frames = AwaitFrames(line, 1);
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.front(), "_040000_\r");
  edit->setText("4y0000");
  awaitTicks(3);
  EXPECT_EQ(raised_, (std::vector<std::string>{bad, other, other, other}));
}

TEST_F(TransmitLoopTest, PortTroubleIsToldOnStderrAndInTheTooltipOncePerChange) {
  std::ostringstream diagnostics;
  auto missing = std::make_unique<support::PortMapScope>("COM2 = /nonexistent/kestrova-tty\n");
  TFMain window(App(), nullptr, diagnostics);
  InstallRecordingHook();
  auto* config = Control<QPushButton>(window, "BitBtn1");
  EXPECT_EQ(config->toolTip(), "COM2 (/nonexistent/kestrova-tty): not opened by the loop yet");
  testing::TickCounter ticks(Control<QTimer>(window, "Timer1"));
  StartLoop(window);
  ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.Count() >= 3; }, 5000));
  const std::string failure =
      "COM2 (/nonexistent/kestrova-tty): nothing sent: Unable to open com port (win error code: 2)";
  EXPECT_EQ(diagnostics.str(), "kestrova: " + failure + "\n");
  EXPECT_EQ(config->toolTip().toStdString(), failure);
  EXPECT_TRUE(raised_.empty());
  EXPECT_EQ(App().ExceptionBox(), nullptr);
  EXPECT_FALSE(Control<TComPort>(window, "ComPort1")->Connected());

  // The device appears: frames go out, and the recovery is told once.
  missing.reset();
  support::PseudoTerminalPair line("COM2");
  AwaitFrames(line, 3);
  const std::string path = PortMap::LoadDefault().DevicePath("COM2");
  EXPECT_EQ(diagnostics.str(),
            "kestrova: " + failure + "\nkestrova: COM2 (" + path + "): sending\n");
  EXPECT_EQ(config->toolTip().toStdString(), "COM2 (" + path + "): sending");
}

// A port mapped as "virtual": the ticks open the component end by path like any device, and a
// reader at the published link gets the frames.
TEST_F(TransmitLoopTest, VirtualPortCarriesTheFramesToAReaderAtTheLink) {
  support::PortMapScope map("COM2 = virtual\n");
  std::ostringstream messages;
  VirtualPorts ports(PortMap::LoadDefault(), messages);
  const VirtualPort* port = ports.Find("com2");
  ASSERT_NE(port, nullptr) << messages.str();
  EXPECT_NE(messages.str().find(port->LinkPath().string()), std::string::npos);
  const int reader = ::open(port->LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  TFMain window(App());
  InstallRecordingHook();
  StartLoop(window);
  std::string received;
  const bool arrived = QTest::qWaitFor(
      [&] {
        char buffer[256];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;) received.append(buffer, n);
        return SplitFrames(received).size() >= 3;
      },
      5000);
  ::close(reader);
  EXPECT_TRUE(arrived) << received;
  const std::vector<std::string> frames = SplitFrames(received);
  ASSERT_GE(frames.size(), 3u) << received;
  for (const std::string& frame : frames) EXPECT_EQ(frame, "_040000_\r");
  EXPECT_TRUE(raised_.empty());
}

}  // namespace
}  // namespace kestrova
