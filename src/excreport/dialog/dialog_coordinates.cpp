#include "excreport/dialog/dialog_coordinates.h"

#include <QDir>
#include <QSettings>
#include <cstdlib>
#include <string>

#include "excreport/log/log_file_path.h"

namespace kestrova {
namespace {

// QSettings keeps keys made of letters and digits as they are and writes plain numbers, so the
// file reads as "[Coordinates]" followed by "Width=745" lines.
class Section final {
 public:
  explicit Section(const QString& path) : settings_(path, QSettings::IniFormat) { settings_.beginGroup("Coordinates"); }

  int Number(const QString& key, int fallback) const {
    bool ok = false;
    const int value = settings_.value(key).toString().trimmed().toInt(&ok);
    return ok ? value : fallback;
  }
  std::optional<int> Number(const QString& key) const {
    bool ok = false;
    const int value = settings_.value(key).toString().trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
  }
  void Write(const QString& key, int value) { settings_.setValue(key, QString::number(value)); }

  template <std::size_t N>
  void ReadColumns(const QString& prefix, std::array<int, N>& widths) const {
    for (std::size_t i = 0; i < N; ++i) widths[i] = Number(prefix + QString::number(i), widths[i]);
  }
  template <std::size_t N>
  void WriteColumns(const QString& prefix, const std::array<int, N>& widths) {
    for (std::size_t i = 0; i < N; ++i) Write(prefix + QString::number(i), widths[i]);
  }

 private:
  QSettings settings_;
};

}  // namespace

QString CoordinatesFile::DefaultPath() {
  const char* home = std::getenv("HOME");
  const char* config = std::getenv("XDG_CONFIG_HOME");
  QString folder = config != nullptr && *config != '\0' ? QString::fromLocal8Bit(config)
                                                        : QString::fromLocal8Bit(home != nullptr ? home : "") + "/.config";
  folder += "/Quillmark";
  QDir().mkpath(folder);
  const std::string path = (folder + "/Quillmark.ini").toStdString();
  return QString::fromStdString(ResolveLogFileAccess(path, false, home != nullptr ? home : "", ProgramFileName()));
}

DialogCoordinates CoordinatesFile::Load() const {
  const Section section(path_);
  DialogCoordinates values;
  values.Width = section.Number("Width", values.Width);
  values.Height = section.Number("Height", values.Height);
  values.Left = section.Number("Left");
  values.Top = section.Number("Top");
  values.WindowsState = section.Number("WindowsState", values.WindowsState);
  section.ReadColumns("Col", values.Col);
  section.ReadColumns("ColMod", values.ColMod);
  return values;
}

void CoordinatesFile::SaveWindow(int width, int height, int left, int top) const {
  Section section(path_);
  section.Write("Width", width);
  section.Write("Height", height);
  section.Write("Left", left);
  section.Write("Top", top);
}

void CoordinatesFile::SaveWindowsState(int state) const { Section(path_).Write("WindowsState", state); }

void CoordinatesFile::SaveCallStackColumns(const std::array<int, 6>& widths) const {
  Section(path_).WriteColumns("Col", widths);
}

void CoordinatesFile::SaveModuleColumns(const std::array<int, 7>& widths) const {
  Section(path_).WriteColumns("ColMod", widths);
}

}  // namespace kestrova
