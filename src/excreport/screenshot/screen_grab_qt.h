// Pictures of screen areas for the report's screenshot.
#pragma once

#include <QImage>
#include <QRect>
#include <QScreen>

namespace kestrova {

// Both take Area in global device-independent coordinates and return it in device pixels
// (Format_RGB32, at least 1 x 1), with what lies beyond the screen black. GUI thread only.

// The area as the screen shows it; where the platform gives no picture of the whole screen
// (Wayland, for one), ComposeOwnWindows instead.
QImage GrabScreenArea(QScreen& Screen, const QRect& Area);

// This program's exposed top-level windows drawn at their places on black, the active window
// last so that it lies on top: the part of the screen any platform lets a program grab.
QImage ComposeOwnWindows(QScreen& Screen, const QRect& Area);

}  // namespace kestrova
