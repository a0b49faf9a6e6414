#include "excreport/delivery/send_names.h"

#include <cstdio>

namespace kestrova {
namespace {

// Position of the extension's "." within a name without folder, or npos.
std::size_t ExtensionStart(std::string_view name) { return name.rfind('.'); }

}  // namespace

std::string FileNameWithoutFolder(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  const std::size_t nameStart = path.size() - FileNameWithoutFolder(path).size();
  const std::size_t dot = ExtensionStart(path.substr(nameStart));
  std::string result(dot == std::string_view::npos ? path : path.substr(0, nameStart + dot));
  result.append(extension);
  return result;
}

std::string ReportTimeStamp(const std::tm& reportTime) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", reportTime.tm_year + 1900,
                reportTime.tm_mon + 1, reportTime.tm_mday, reportTime.tm_hour, reportTime.tm_min,
                reportTime.tm_sec);
  return text;
}

std::string AttachmentName(std::string_view filePath, std::string_view timeStamp) {
  std::string name = FileNameWithoutFolder(filePath);
  if (timeStamp.empty()) return name;
  const std::size_t dot = ExtensionStart(name);
  std::string stamp = "_" + std::string(timeStamp);
  name.insert(dot == std::string::npos ? name.size() : dot, stamp);
  return name;
}

}  // namespace kestrova
