#include "excreport/log/log_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

#include "excreport/log/log_file_path.h"
#include "excreport/log/log_text.h"
#include "excreport/log/log_xml_export.h"

namespace kestrova {
namespace {

// Shorter files cannot hold a report.
constexpr std::size_t kMinimumLogSize = 6;
// A save takes milliseconds; a writer that holds the log longer is stuck.
constexpr std::chrono::seconds kLockDeadline{10};
constexpr std::chrono::milliseconds kLockRetry{2};
// Reports hold user, host and network data: for the owner's eyes only.
constexpr mode_t kLogFileMode = 0600;

[[noreturn]] void ThrowFileError(const std::string& what, const std::string& path) {
  throw std::system_error(errno, std::generic_category(), what + " \"" + path + "\"");
}

void WriteAll(int fd, std::string_view data, const std::string& path) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowFileError("Cannot write", path);
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

TLogFile::TLogFile(const std::string& fileName, bool readOnly) : readOnly_(readOnly) {
  const char* home = std::getenv("HOME");
  fileName_ = ResolveLogFileAccess(fileName, readOnly, home != nullptr ? home : "", ProgramFileName());
  if (!readOnly) LockFolder();
  // A save replaces the file in one rename, so a reader sees the old log or the new one whole.
  fd_ = ::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC);
  try {
    if (fd_ < 0) {
      if (errno != ENOENT) ThrowFileError("Cannot open", fileName_);
      return;
    }
    Load();
  } catch (...) {
    Close();
    throw;
  }
}

TLogFile::~TLogFile() { Close(); }

void TLogFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  if (lockFd_ >= 0) ::close(lockFd_);
  fd_ = lockFd_ = -1;
}

void TLogFile::LockFolder() {
  // The folder, not the file: a save puts a new file in the old one's place, and a missing log
  // is not to be created before the first save.
  const std::string folder = std::filesystem::path(fileName_).parent_path().string();
  lockFd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lockFd_ < 0) ThrowFileError("Cannot open the folder of", fileName_);
  // A deadline instead of a blocking wait: the holder may be a crashed process that waits for
  // its crash helper, which is the one asking here.
  const auto deadline = std::chrono::steady_clock::now() + kLockDeadline;
  while (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if ((error != EWOULDBLOCK && error != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      Close();
      errno = error;
      ThrowFileError("Cannot lock", fileName_);
    }
    std::this_thread::sleep_for(kLockRetry);
  }
}

void TLogFile::Load() {
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::pread(fd_, buffer, sizeof buffer, static_cast<off_t>(text.size()));
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowFileError("Cannot read", fileName_);
    }
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  if (text.size() < kMinimumLogSize) return;
  reports_ = SplitLogReports(NormalizeLineEnds(text));
}

void TLogFile::AddReport(std::string_view text, int limit) {
  std::size_t drop = 0;
  while (drop < reports_.size() && static_cast<long long>(reports_.size() - drop) + 1 > limit) ++drop;
  reports_.erase(reports_.begin(), reports_.begin() + static_cast<std::ptrdiff_t>(drop));
  reports_.push_back(std::string(text) + kReportTerminator);
}

void TLogFile::Save() {
  if (readOnly_) {
    errno = EBADF;
    ThrowFileError("Cannot write the read-only log", fileName_);
  }
  std::string temporary = fileName_ + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);  // mode 0600
  if (fd < 0) ThrowFileError("Cannot create", temporary);
  try {
    WriteAll(fd, WholeText(), temporary);
    if (::fsync(fd) != 0) ThrowFileError("Cannot write", temporary);
    if (::rename(temporary.c_str(), fileName_.c_str()) != 0) ThrowFileError("Cannot replace", fileName_);
  } catch (...) {
    ::close(fd);
    ::unlink(temporary.c_str());
    throw;
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

std::string TLogFile::WholeText() const {
  std::string text;
  for (const std::string& report : reports_) {
    if (!text.empty()) text += "\r\n";
    text += report;
  }
  return text;
}

std::string TLogFile::ItemValue(std::string_view id, int index) const {
  if (index < 0 || index >= ReportCount()) return {};
  return ReportItemValue(reports_[static_cast<std::size_t>(index)], id);
}

bool TLogFile::FindDuplicate(const std::vector<std::string>& ids, const std::vector<std::string>& values) const {
  for (const std::string& report : reports_) {
    bool same = true;
    for (std::size_t i = 0; same && i < ids.size(); ++i)
      same = i < values.size() &&
             ComparableItemValue(ids[i], ReportItemValue(report, ids[i])) == ComparableItemValue(ids[i], values[i]);
    if (same) return true;
  }
  return false;
}

void TLogFile::ExportXml(const std::string& target, const TCustomizedTexts& texts) const {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kLogFileMode);
  if (fd < 0) ThrowFileError("Cannot create", target);
  try {
    WriteAll(fd, LogToXml(reports_, texts), target);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

}  // namespace kestrova
