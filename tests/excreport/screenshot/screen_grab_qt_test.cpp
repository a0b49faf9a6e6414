#include "excreport/screenshot/screen_grab_qt.h"

#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "excreport/gui_application.h"

namespace kestrova {
namespace {

// Two windows in known places; the second one, active, overlaps the first.
class ScreenGrabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    back_.setGeometry(60, 50, 200, 100);
    back_.setStyleSheet("background: #3060c0");
    front_.setGeometry(200, 120, 150, 90);
    front_.setStyleSheet("background: #20a040");
    back_.show();
    front_.show();
    front_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&front_));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&back_));
    screen_ = front_.windowHandle()->screen();
  }

  QWidget back_;
  QWidget front_;
  QScreen* screen_ = nullptr;
};

TEST_F(ScreenGrabTest, OwnWindowsInTheirPlacesOnBlackActiveOnTop) {
  const QRect area = screen_->geometry();
  const QImage composed = ComposeOwnWindows(*screen_, area);
  ASSERT_EQ(composed.size(), area.size());
  const QPoint origin = area.topLeft();
  EXPECT_EQ(composed.pixel(QPoint(70, 60) - origin), qRgb(0x30, 0x60, 0xc0));
  EXPECT_EQ(composed.pixel(QPoint(210, 130) - origin), qRgb(0x20, 0xa0, 0x40));  // overlap
  EXPECT_EQ(composed.pixel(QPoint(340, 200) - origin), qRgb(0x20, 0xa0, 0x40));
  EXPECT_EQ(composed.pixel(QPoint(10, 10) - origin), qRgb(0, 0, 0));
  EXPECT_EQ(composed.pixel(QPoint(355, 215) - origin), qRgb(0, 0, 0));
}

// A part of the screen, reaching beyond its left and top edges: the same pixels through either
// route, black off the screen.
TEST_F(ScreenGrabTest, AreaCutFromTheScreen) {
  const QPoint origin = screen_->geometry().topLeft();
  const QRect area(origin + QPoint(-20, -10), QSize(250, 150));
  const QImage grabbed = GrabScreenArea(*screen_, area);
  const QImage composed = ComposeOwnWindows(*screen_, area);
  ASSERT_EQ(grabbed.size(), QSize(250, 150));
  ASSERT_EQ(composed.size(), QSize(250, 150));
  EXPECT_EQ(grabbed.pixel(5, 5), qRgb(0, 0, 0));
  for (const QPoint global : {QPoint(70, 60), QPoint(210, 130)}) {
    const QPoint at = global - area.topLeft();
    EXPECT_EQ(grabbed.pixel(at), composed.pixel(at)) << at.x() << "," << at.y();
  }
  EXPECT_EQ(grabbed.pixel(QPoint(210, 130) - area.topLeft()), qRgb(0x20, 0xa0, 0x40));
}

TEST_F(ScreenGrabTest, EmptyAreaGivesOnePixel) {
  EXPECT_EQ(GrabScreenArea(*screen_, QRect(10, 10, 0, 0)).size(), QSize(1, 1));
  EXPECT_EQ(ComposeOwnWindows(*screen_, QRect(10, 10, 0, 0)).size(), QSize(1, 1));
}

}  // namespace
}  // namespace kestrova
