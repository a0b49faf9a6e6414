#include "excreport/screenshot/screenshot_qt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <thread>

#include "excreport/gui_application.h"

namespace kestrova {
namespace {

const QRgb Red = qRgb(255, 0, 0);

// A window with a button and a focused line edit, shown and active.
class ScreenshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.setGeometry(100, 80, 300, 120);
    auto* layout = new QVBoxLayout(&window_);
    layout->addWidget(new QPushButton("Button"));
    edit_ = new QLineEdit;
    layout->addWidget(edit_);
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    edit_->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit_->hasFocus(); }));
  }

  QRect EditRect() const { return QRect(edit_->mapToGlobal(QPoint(0, 0)), edit_->size()); }

  // Marks with the cursor outside every picture, so only the frames are drawn.
  ScreenshotMarks FramesOnly() const { return {EditRect(), QPoint(-1000, -1000), QCursor()}; }

  QWidget window_;
  QLineEdit* edit_ = nullptr;
};

// Both frames lie on the rectangle's outermost pixel rings; the ring outside and the one inside
// them are untouched.
void ExpectFrames(const QImage& picture, const QRect& edit) {
  const QRect outer = edit, inner = edit.adjusted(1, 1, -1, -1);
  for (const QRect& ring : {outer, inner}) {
    for (int x = ring.left(); x <= ring.right(); ++x) {
      ASSERT_EQ(picture.pixel(x, ring.top()), Red) << x << "," << ring.top();
      ASSERT_EQ(picture.pixel(x, ring.bottom()), Red) << x << "," << ring.bottom();
    }
    for (int y = ring.top(); y <= ring.bottom(); ++y) {
      ASSERT_EQ(picture.pixel(ring.left(), y), Red) << ring.left() << "," << y;
      ASSERT_EQ(picture.pixel(ring.right(), y), Red) << ring.right() << "," << y;
    }
  }
  const QPoint mid = edit.center();
  EXPECT_NE(picture.pixel(outer.left() - 1, mid.y()), Red);
  EXPECT_NE(picture.pixel(outer.left() + 2, mid.y()), Red);
  EXPECT_NE(picture.pixel(mid.x(), outer.top() - 1), Red);
  EXPECT_NE(picture.pixel(mid.x(), outer.bottom() - 2), Red);
}

TEST_F(ScreenshotTest, ActiveWindowAloneWithFramesOnTheFocusedControl) {
  Screenshot shot;
  ASSERT_TRUE(shot.TakePicture(SendFlagActiveWindowOnly, FramesOnly()));
  const QWindow* handle = window_.windowHandle();
  const QImage& picture = shot.Picture();
  EXPECT_EQ(picture.size(), handle->frameGeometry().size());
  ExpectFrames(picture, EditRect().translated(-handle->frameGeometry().topLeft()));
}

TEST_F(ScreenshotTest, ScreenOfTheActiveWindowWithFrames) {
  Screenshot shot;
  ASSERT_TRUE(shot.TakePicture(0, FramesOnly()));
  const QScreen* screen = window_.windowHandle()->screen();
  const QImage& picture = shot.Picture();
  EXPECT_EQ(picture.size(), screen->geometry().size());
  ExpectFrames(picture, EditRect().translated(-screen->geometry().topLeft()));
  const QPoint button = window_.mapToGlobal(QPoint(10, 10)) - screen->geometry().topLeft();
  EXPECT_NE(picture.pixel(button), qRgb(0, 0, 0));
}

// The cursor changes its 32 x 32 box at the position minus the hot spot, and nothing else.
TEST_F(ScreenshotTest, CursorDrawnAtItsHotSpot) {
  QPixmap green(8, 8);
  green.fill(Qt::green);
  const struct {
    const char* name;
    QCursor cursor;
    QPoint hotSpot;
  } cases[] = {{"standard shape: drawn arrow", QCursor(Qt::ArrowCursor), {0, 0}},
               {"bitmap cursor", QCursor(green, 3, 5), {3, 5}}};

  const QRect frame = window_.windowHandle()->frameGeometry();
  Screenshot without;
  ASSERT_TRUE(
      without.TakePicture(SendFlagActiveWindowOnly, {std::nullopt, QPoint(-1000, -1000), {}}));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QPoint position = frame.topLeft() + QPoint(40, 30);
    Screenshot with;
    ASSERT_TRUE(with.TakePicture(SendFlagActiveWindowOnly, {std::nullopt, position, c.cursor}));
    const QRect box(QPoint(40, 30) - c.hotSpot, QSize(32, 32));
    int changed = 0;
    for (int y = 0; y < with.Picture().height(); ++y) {
      for (int x = 0; x < with.Picture().width(); ++x) {
        if (with.Picture().pixel(x, y) == without.Picture().pixel(x, y)) continue;
        ASSERT_TRUE(box.contains(x, y)) << x << "," << y;
        ++changed;
      }
    }
    EXPECT_GT(changed, 30);
  }
  Screenshot arrow, bitmap;
  ASSERT_TRUE(arrow.TakePicture(SendFlagActiveWindowOnly,
                                {std::nullopt, frame.topLeft() + QPoint(40, 30), {}}));
  EXPECT_EQ(arrow.Picture().pixel(40, 30), qRgb(0, 0, 0));        // the arrow's tip
  EXPECT_EQ(arrow.Picture().pixel(41, 35), qRgb(255, 255, 255));  // inside the arrow
  ASSERT_TRUE(
      bitmap.TakePicture(SendFlagActiveWindowOnly,
                         {std::nullopt, frame.topLeft() + QPoint(40, 30), QCursor(green, 3, 5)}));
  EXPECT_EQ(bitmap.Picture().pixel(37, 25), qRgb(0, 255, 0));
  EXPECT_EQ(bitmap.Picture().pixel(44, 32), qRgb(0, 255, 0));
  EXPECT_NE(bitmap.Picture().pixel(45, 33), qRgb(0, 255, 0));
}

TEST_F(ScreenshotTest, SavesOnlyWhenAskedAndDecodesToThePicture) {
  Screenshot shot;
  EXPECT_FALSE(shot.SavePicture(QDir::temp().filePath("never.png")));  // no picture yet
  ASSERT_TRUE(shot.TakePicture(SendFlagActiveWindowOnly, FramesOnly()));

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  EXPECT_FALSE(shot.SavePicture(QString()));
  const QString file = dir.filePath("Screenshot.png");
  ASSERT_TRUE(shot.SavePicture(file));
  const QImage decoded(file);
  ASSERT_EQ(decoded.size(), shot.Picture().size());
  // A window of few colours keeps them all, red frames included.
  for (int y = 0; y < decoded.height(); ++y) {
    for (int x = 0; x < decoded.width(); ++x) {
      ASSERT_EQ(decoded.pixel(x, y), shot.Picture().pixel(x, y)) << x << "," << y;
    }
  }

  shot.FreePicture();
  EXPECT_TRUE(shot.Picture().isNull());
  EXPECT_FALSE(shot.SavePicture(dir.filePath("after-free.png")));
  EXPECT_FALSE(QFile::exists(dir.filePath("after-free.png")));
}

TEST_F(ScreenshotTest, RefusesToTakeOffTheGuiThread) {
  Screenshot shot;
  bool taken = true;
  std::thread([&] { taken = shot.TakePicture(0, FramesOnly()); }).join();
  EXPECT_FALSE(taken);
  EXPECT_TRUE(shot.Picture().isNull());
}

TEST(ScreenshotFileNameTest, ScreenshotPngInTheTemporaryFolderWhenAsked) {
  const QString expected = QDir(QDir::tempPath()).filePath("Screenshot.png");
  EXPECT_EQ(Screenshot::FileName(SendFlagScreenshot), expected);
  EXPECT_EQ(Screenshot::FileName(0xFFFF), expected);
  EXPECT_TRUE(Screenshot::FileName(0).isEmpty());
  EXPECT_TRUE(Screenshot::FileName(0xFFFF & ~SendFlagScreenshot).isEmpty());
}

}  // namespace
}  // namespace kestrova
