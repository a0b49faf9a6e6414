#include "excreport/dialog/stack_entry_icons.h"

#include <QPainter>

namespace kestrova {
namespace {

constexpr int kIconSize = 16;

void DrawOwnUnit(QPainter& p) {
  p.setPen(QColor(30, 60, 140));
  p.setBrush(QColor(235, 242, 255));
  p.drawRect(3, 1, 10, 13);
  for (int y = 4; y <= 11; y += 2) p.drawLine(5, y, 11, y);
}

void DrawToolkitUnit(QPainter& p) {
  p.setPen(QColor(20, 100, 40));
  p.setBrush(QColor(225, 245, 225));
  p.drawRect(1, 2, 13, 11);
  p.fillRect(2, 3, 12, 3, QColor(40, 150, 70));
}

void DrawLibrary(QPainter& p) {
  p.setPen(QColor(90, 90, 90));
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(1, 4, 13, 8);
  p.drawLine(5, 4, 5, 12);
  p.drawLine(10, 4, 10, 12);
}

void DrawRuntimePackage(QPainter& p) {
  p.setPen(QColor(140, 80, 10));
  p.setBrush(QColor(245, 190, 100));
  p.drawRect(2, 4, 11, 10);
  p.drawLine(2, 8, 13, 8);
  p.drawLine(7, 4, 7, 14);
}

}  // namespace

QIcon StackEntryIcon(StackEntryPicture picture) {
  QPixmap pixmap(kIconSize, kIconSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  switch (picture) {
    case StackEntryPicture::OwnUnit: DrawOwnUnit(painter); break;
    case StackEntryPicture::ToolkitUnit: DrawToolkitUnit(painter); break;
    case StackEntryPicture::Library: DrawLibrary(painter); break;
    case StackEntryPicture::RuntimePackage: DrawRuntimePackage(painter); break;
  }
  return QIcon(pixmap);
}

QPixmap ErrorPicture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(120, 0, 0), 1));
  painter.setBrush(QColor(210, 30, 30));
  painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
  painter.setPen(QPen(Qt::white, size / 8.0, Qt::SolidLine, Qt::RoundCap));
  const double a = size * 0.32;
  const double b = size * 0.68;
  painter.drawLine(QPointF(a, a), QPointF(b, b));
  painter.drawLine(QPointF(a, b), QPointF(b, a));
  return pixmap;
}

}  // namespace kestrova
