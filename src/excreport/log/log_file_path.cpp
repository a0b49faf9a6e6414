#include "excreport/log/log_file_path.h"

#include <algorithm>
#include <cctype>

#include "excreport/report/report_formats.h"

namespace kestrova {
namespace {

constexpr std::string_view kLogExtension = ".qmf";

bool HasLogExtension(std::string_view path) {
  if (path.size() < kLogExtension.size()) return false;
  const std::string_view tail = path.substr(path.size() - kLogExtension.size());
  return std::equal(tail.begin(), tail.end(), kLogExtension.begin(),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// The position of the extension's dot in the last path component, or the end.
std::size_t ExtensionStart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  return dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash) ? path.size() : dot;
}

}  // namespace

std::string FileSafeComputerName(std::string_view computerName) {
  std::string name(computerName.substr(0, 15));
  std::replace_if(name.begin(), name.end(), [](char c) { return std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos; }, '_');
  return name;
}

std::string LogFilePath(const TQuillModuleOptions& options, std::string_view computerName) {
  const std::string& module = options.ModuleName();
  const std::string fileName = FileNameOf(std::string_view(module).substr(0, ExtensionStart(module))) + std::string(kLogExtension);
  std::string path;
  if (HasLogExtension(options.LogFolder())) {
    path = options.LogFolder();
  } else {
    std::string folder = options.LogFolder();
    if (folder.empty()) folder = module.substr(0, module.size() - FileNameOf(module).size());
    if (!folder.empty() && folder.back() != '/') folder += '/';
    path = folder + fileName;
  }
  if ((options.LogFlags() & 0x08) != 0) path.insert(ExtensionStart(path), "_" + FileSafeComputerName(computerName));
  return path;
}

}  // namespace kestrova
