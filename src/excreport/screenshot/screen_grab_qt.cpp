#include "excreport/screenshot/screen_grab_qt.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QWindow>

namespace kestrova {
namespace {

QImage DevicePixels(const QPixmap& Pixmap) {
  QImage image = Pixmap.toImage().convertToFormat(QImage::Format_RGB32);
  image.setDevicePixelRatio(1);
  return image;
}

QPoint ToDevice(QPoint Logical, qreal Ratio) { return (QPointF(Logical) * Ratio).toPoint(); }

QSize PictureSize(const QRect& Area, qreal Ratio) {
  return (QSizeF(Area.size()) * Ratio).toSize().expandedTo(QSize(1, 1));
}

}  // namespace

QImage GrabScreenArea(QScreen& Screen, const QRect& Area) {
  const QImage desktop = DevicePixels(Screen.grabWindow(0));
  if (desktop.isNull()) return ComposeOwnWindows(Screen, Area);
  // The desktop picture starts at the screen's corner.
  const qreal ratio = Screen.devicePixelRatio();
  return desktop.copy(QRect(ToDevice(Area.topLeft() - Screen.geometry().topLeft(), ratio),
                            PictureSize(Area, ratio)));
}

QImage ComposeOwnWindows(QScreen& Screen, const QRect& Area) {
  const qreal ratio = Screen.devicePixelRatio();
  QImage canvas(PictureSize(Area, ratio), QImage::Format_RGB32);
  canvas.fill(Qt::black);
  QPainter painter(&canvas);
  QWindow* active = QGuiApplication::focusWindow();
  const auto draw = [&](QWindow* Window) {
    if (!Window->isExposed()) return;
    const QImage shot = DevicePixels(Screen.grabWindow(Window->winId()));
    if (!shot.isNull())
      painter.drawImage(ToDevice(Window->geometry().topLeft() - Area.topLeft(), ratio), shot);
  };
  for (QWindow* window : QGuiApplication::topLevelWindows()) {
    if (window != active) draw(window);
  }
  if (active != nullptr) draw(active);
  return canvas;
}

}  // namespace kestrova
