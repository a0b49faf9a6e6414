// The headless run sends what the window sends for the same inputs: the window's frames read
// at a pseudo-terminal, the headless run's from its stdout (the real program).
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <sstream>
#include <string>
#include <vector>

#include "app/random_below.h"
#include "app_test_support.h"
#include "kestrova_process.h"
#include "support/pseudo_terminal_pair.h"

namespace kestrova {
namespace {

using testing::App;
using testing::Control;

// The window's first `count` frames, without their byte 13.
std::vector<std::string> WindowFrames(TFMain& window, support::PseudoTerminalPair& line, std::size_t count) {
  window.show();
  QTest::mouseClick(Control<QPushButton>(window, "Button1"), Qt::LeftButton);
  std::string received;
  std::vector<std::string> frames;
  const bool arrived = QTest::qWaitFor(
      [&] {
        received += line.TakeReceived();
        frames.clear();
        std::istringstream lines(received);
        for (std::string frame; std::getline(lines, frame, '\r') && !lines.eof();) frames.push_back(frame);
        return frames.size() >= count;
      },
      10000);
  EXPECT_TRUE(arrived) << received;
  QTest::mouseClick(Control<QPushButton>(window, "Button1"), Qt::LeftButton);
  frames.resize(std::min(frames.size(), count));
  return frames;
}

std::vector<std::string> HeadlessFrames(const std::vector<std::string>& args) {
  testing::KestrovaHome home("");
  testing::KestrovaProcess kestrova(home, args);
  EXPECT_EQ(kestrova.Wait(), 0) << kestrova.Stderr();
  std::vector<std::string> frames;
  std::istringstream lines(kestrova.Stdout());
  for (std::string frame; std::getline(lines, frame);) frames.push_back(frame);
  return frames;
}

TEST(HeadlessMatchesWindowTest, FixedReadingUnderAMask) {
  support::PseudoTerminalPair line("COM2");
  TFMain window(App());
  Control<QLineEdit>(window, "Edit1")->setText("-1234.565");
  Control<QLineEdit>(window, "Edit4")->setText("#,##0.00;(#,##0.00)");
  const std::vector<std::string> expected = WindowFrames(window, line, 3);
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(HeadlessFrames({"--headless", "--fixed", "-1234.565", "--mask", "#,##0.00;(#,##0.00)", "--count",
                            "3", "--interval", "5"}),
            expected);
}

TEST(HeadlessMatchesWindowTest, FirstEightRandomReadings) {
  support::PseudoTerminalPair line("COM2");
  TFMain window(App());
  testing::ClickCheckBox(Control<QCheckBox>(window, "CheckBox2"));
  RandomSeed = 0;  // a fresh process's sequence, as the headless run has
  const std::vector<std::string> expected = WindowFrames(window, line, 8);
  ASSERT_EQ(expected.size(), 8u);
  EXPECT_EQ(expected.front(), "_020000_");
  EXPECT_EQ(HeadlessFrames({"--headless", "--random", "20000", "20500", "--count", "8", "--interval", "5"}),
            expected);
}

}  // namespace
}  // namespace kestrova
