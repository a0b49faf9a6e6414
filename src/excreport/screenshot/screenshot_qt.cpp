#include "excreport/screenshot/screenshot_qt.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "excreport/screenshot/png_file.h"
#include "excreport/screenshot/rgb_image.h"
#include "excreport/screenshot/screen_grab_qt.h"

namespace kestrova {
namespace {

constexpr int CursorSize = 32;
const QColor FrameColor(255, 0, 0);

// Maps global device-independent coordinates into the picture's device pixels.
class PictureMapping final {
 public:
  PictureMapping(QPoint Origin, qreal Ratio) : origin_(Origin), ratio_(Ratio) {}
  QPoint Point(QPoint Global) const { return (QPointF(Global - origin_) * ratio_).toPoint(); }
  QRect Rect(const QRect& Global) const {
    return QRect(Point(Global.topLeft()), (QSizeF(Global.size()) * ratio_).toSize());
  }

 private:
  QPoint origin_;
  qreal ratio_;
};

// A frame 1 pixel wide on the rectangle's outermost pixels.
void DrawFrame(QPainter& Painter, const QRect& Rect) {
  if (Rect.isEmpty()) return;
  Painter.fillRect(QRect(Rect.left(), Rect.top(), Rect.width(), 1), FrameColor);
  Painter.fillRect(QRect(Rect.left(), Rect.bottom(), Rect.width(), 1), FrameColor);
  Painter.fillRect(QRect(Rect.left(), Rect.top(), 1, Rect.height()), FrameColor);
  Painter.fillRect(QRect(Rect.right(), Rect.top(), 1, Rect.height()), FrameColor);
}

void DrawArrow(QPainter& Painter, QPoint HotSpot) {
  static const QPolygon arrow({{0, 0}, {0, 21}, {5, 16}, {9, 25}, {12, 24}, {8, 15}, {15, 15}});
  Painter.setPen(Qt::black);
  Painter.setBrush(Qt::white);
  Painter.drawPolygon(arrow.translated(HotSpot));
}

void DrawCursor(QPainter& Painter, QPoint Position, const QCursor& Cursor) {
  Painter.save();
  QPixmap pixmap = Cursor.pixmap();
  if (pixmap.isNull()) {
    Painter.setClipRect(QRect(Position, QSize(CursorSize, CursorSize)));
    DrawArrow(Painter, Position);
  } else {
    const QPoint topLeft = Position - Cursor.hotSpot();
    pixmap.setDevicePixelRatio(1);
    Painter.setClipRect(QRect(topLeft, QSize(CursorSize, CursorSize)));
    Painter.drawPixmap(topLeft, pixmap);
  }
  Painter.restore();
}

RgbImage ToRgbImage(const QImage& Image) {
  const QImage rgb = Image.convertToFormat(QImage::Format_RGB888);
  RgbImage result{
      static_cast<std::uint32_t>(rgb.width()), static_cast<std::uint32_t>(rgb.height()), {}};
  result.Pixels.reserve(static_cast<std::size_t>(rgb.width()) *
                        static_cast<std::size_t>(rgb.height()));
  for (int y = 0; y < rgb.height(); ++y) {
    const uchar* line = rgb.constScanLine(y);
    for (int x = 0; x < rgb.width(); ++x) {
      result.Pixels.push_back({line[3 * x], line[3 * x + 1], line[3 * x + 2]});
    }
  }
  return result;
}

}  // namespace

ScreenshotMarks ScreenshotMarks::Note(std::optional<QRect> FocusRect) {
  ScreenshotMarks marks{FocusRect, QCursor::pos(), QCursor()};
  if (const QCursor* overridden = QGuiApplication::overrideCursor()) {
    marks.Cursor = *overridden;
  } else if (QWindow* active = QGuiApplication::focusWindow()) {
    marks.Cursor = active->cursor();
  }
  return marks;
}

QString Screenshot::FileName(std::uint16_t SendFlags) {
  if ((SendFlags & SendFlagScreenshot) == 0) return QString();
  return QDir(QDir::tempPath()).filePath(QStringLiteral("Screenshot.png"));
}

bool Screenshot::TakePicture(std::uint16_t SendFlags, const ScreenshotMarks& Marks) {
  picture_ = QImage();
  if (qGuiApp == nullptr || QThread::currentThread() != qGuiApp->thread()) return false;

  QWindow* active = QGuiApplication::focusWindow();
  QScreen* screen =
      active != nullptr ? active->screen() : QGuiApplication::screenAt(Marks.CursorPos);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return false;

  const bool windowOnly = (SendFlags & SendFlagActiveWindowOnly) != 0 && active != nullptr;
  QRect area = windowOnly ? active->frameGeometry() : screen->geometry();
  area.setSize(area.size().expandedTo(QSize(1, 1)));
  const PictureMapping map(area.topLeft(), screen->devicePixelRatio());

  picture_ = GrabScreenArea(*screen, area);
  QPainter painter(&picture_);
  if (Marks.FocusRect && !Marks.FocusRect->isEmpty()) {
    const QRect frame = map.Rect(*Marks.FocusRect);
    DrawFrame(painter, frame);
    DrawFrame(painter, frame.adjusted(1, 1, -1, -1));
  }
  DrawCursor(painter, map.Point(Marks.CursorPos), Marks.Cursor);
  return true;
}

bool Screenshot::SavePicture(const QString& FileName) const noexcept {
  if (FileName.isEmpty() || picture_.isNull()) return false;
  try {
    return SavePngFile(QFile::encodeName(FileName).toStdString(), ToRgbImage(picture_));
  } catch (...) {
    return false;  // no memory for the copy: the report goes on without its picture
  }
}

}  // namespace kestrova
