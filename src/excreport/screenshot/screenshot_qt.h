// Picture of the screen for an exception report, marked with the focused control and the cursor.
#pragma once

#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>

namespace kestrova {

// SendFlags bits that concern the picture.
inline constexpr std::uint16_t SendFlagScreenshot = 1u << 4;  // a picture may be attached
inline constexpr std::uint16_t SendFlagActiveWindowOnly =
    1u << 5;  // the active window, not its screen

// What the picture marks, noted when the exception was taken (global, device-independent
// coordinates, as Qt gives them).
struct ScreenshotMarks {
  // The widget that had the focus; no frames when absent or empty.
  std::optional<QRect> FocusRect;
  QPoint CursorPos;
  QCursor Cursor;

  // The cursor's position and shape now (the application's override cursor, else the active
  // window's) with the given focus rectangle. GUI thread only.
  static ScreenshotMarks Note(std::optional<QRect> FocusRect);
};

// One picture at a time, owned by this object.
//
// TakePicture and FreePicture run on the GUI thread only (Qt grabs the screen there); TakePicture
// refuses on any other thread and without a QGuiApplication. SavePicture touches only the stored
// image and may run on the report thread, but never at the same time as the other two.
class Screenshot final {
 public:
  // "Screenshot.png" in the temporary folder when SendFlags has SendFlagScreenshot, else empty.
  static QString FileName(std::uint16_t SendFlags);

  // Takes the picture of the screen that holds the active window, or of the active window alone
  // (with its frame) when SendFlags has SendFlagActiveWindowOnly; without an active window, of
  // the screen under the cursor. At least 1 x 1 pixel. Where the platform gives no picture of
  // the whole screen (Wayland, for one), the picture shows this program's own windows on black.
  // Then two nested red frames (255, 0, 0), the second 1 pixel inside the first, go on the
  // border of Marks.FocusRect, and the cursor is drawn at its position minus its hot spot,
  // within 32 x 32 pixels: a bitmap cursor as it is, a standard shape (whose image Qt does not
  // give out) as a plain black-and-white arrow. Returns whether a picture was taken.
  bool TakePicture(std::uint16_t SendFlags, const ScreenshotMarks& Marks);

  // Writes the picture as a 256-colour PNG file. Nothing happens, and false is returned, for an
  // empty file name, without a picture, or when writing fails; a failed write leaves no file.
  // Never throws.
  bool SavePicture(const QString& FileName) const noexcept;

  void FreePicture() { picture_ = QImage(); }

  // The picture in device pixels (Format_RGB32); null when none was taken.
  const QImage& Picture() const { return picture_; }

 private:
  QImage picture_;
};

}  // namespace kestrova
