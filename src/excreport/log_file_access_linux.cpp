// The log file's access check and fallback folder on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "excreport/log_file_path.h"
#include "excreport/report_formats.h"

namespace kestrova {
namespace {

bool MakeFolder(const std::string& folder) { return ::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST; }

}  // namespace

std::string ProgramFileName() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.filename().string();
}

bool LogFileUsable(const std::string& path, bool readOnly) {
  const int existing = ::open(path.c_str(), (readOnly ? O_RDONLY : O_WRONLY) | O_CLOEXEC);
  if (existing >= 0) {
    ::close(existing);
    return true;
  }
  if (readOnly || errno != ENOENT) return false;
  const int created = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (created < 0) return false;
  ::close(created);
  ::unlink(path.c_str());
  return true;
}

std::string ResolveLogFileAccess(const std::string& path, bool readOnly, const std::string& home,
                                 const std::string& programName) {
  if (LogFileUsable(path, readOnly)) return path;
  std::string folder = home.empty() ? std::string("/") : home;
  if (folder.back() != '/') folder += '/';
  folder += "Quillmark";
  if (!MakeFolder(folder)) return path;
  const std::string program = FileNameOf(programName);
  const std::size_t dot = program.rfind('.');
  folder += "/" + (dot == std::string::npos || dot == 0 ? program : program.substr(0, dot));
  if (!MakeFolder(folder)) return path;
  const std::string fallback = folder + "/" + FileNameOf(path);
  return LogFileUsable(fallback, readOnly) ? fallback : path;
}

}  // namespace kestrova
