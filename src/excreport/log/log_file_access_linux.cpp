// The log file's access check and fallback folder on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "excreport/log/log_file_path.h"
#include "excreport/report/report_formats.h"

namespace kestrova {
namespace {

// The fallback folder holds the reports of one user: for the owner only.
bool MakeFolder(const std::string& folder) { return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST; }

// An installed program lives under /usr, which holds no user's data: its log goes to the
// fallback folder even where /usr could be written (as root).
bool InSystemFolder(const std::string& path) { return path.starts_with("/usr/"); }

}  // namespace

std::string ProgramFileName() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.filename().string();
}

bool LogFileUsable(const std::string& path, bool readOnly) {
  if (readOnly) {
    const int existing = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (existing < 0) return false;
    ::close(existing);
    return true;
  }
  // A save writes a new file beside the log and renames it over the log: the folder must take
  // new files.
  std::string probe = path + ".XXXXXX";
  const int created = ::mkostemp(probe.data(), O_CLOEXEC);
  if (created < 0) return false;
  ::close(created);
  ::unlink(probe.c_str());
  return true;
}

std::string ResolveLogFileAccess(const std::string& path, bool readOnly, const std::string& home,
                                 const std::string& programName) {
  if (!InSystemFolder(path) && LogFileUsable(path, readOnly)) return path;
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
