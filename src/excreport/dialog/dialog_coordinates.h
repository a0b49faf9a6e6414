// The report dialog's remembered size, position and column widths: "Quillmark.ini", section
// "Coordinates".
#pragma once

#include <QString>
#include <array>
#include <optional>

namespace kestrova {

// Values as read, with the defaults for missing keys and for values that are not numbers.
struct DialogCoordinates {
  int Width = 745;  // detailed mode, pixels
  int Height = 468;  // detailed mode without the check box strip
  std::optional<int> Left;  // absent: centred on the screen
  std::optional<int> Top;
  int WindowsState = 1;  // 1 normal, 2 minimised, 3 maximised
  std::array<int, 6> Col{89, 92, 126, 126, 200, 61};  // call stack columns
  // Modules columns: handle, name, description, version, size, path, modified.
  std::array<int, 7> ColMod{80, 96, 175, 50, 54, 712, 80};
};

// WindowsState values.
inline constexpr int kStateNormal = 1;
inline constexpr int kStateMinimized = 2;
inline constexpr int kStateMaximized = 3;

// One INI file. Reads and writes go straight to the file; a file that cannot be read gives the
// defaults, a failed write is dropped (the dialog works without it). GUI thread only.
class CoordinatesFile final {
 public:
  explicit CoordinatesFile(QString path) : path_(std::move(path)) {}

  // "Quillmark.ini" in the "Quillmark" folder of the user's config folder ($XDG_CONFIG_HOME, else
  // ~/.config), created when missing; when that cannot be written, the log file's fallback folder.
  static QString DefaultPath();

  const QString& Path() const { return path_; }
  DialogCoordinates Load() const;
  // "Width", "Height", "Left" and "Top".
  void SaveWindow(int width, int height, int left, int top) const;
  void SaveWindowsState(int state) const;
  // "Col0" to "Col5".
  void SaveCallStackColumns(const std::array<int, 6>& widths) const;
  // "ColMod0" to "ColMod6".
  void SaveModuleColumns(const std::array<int, 7>& widths) const;

 private:
  QString path_;
};

}  // namespace kestrova
