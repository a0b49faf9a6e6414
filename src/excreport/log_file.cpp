#include "excreport/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "excreport/log_file_path.h"
#include "excreport/log_text.h"
#include "excreport/log_xml_export.h"

namespace kestrova {
namespace {

// Shorter files cannot hold a report.
constexpr std::size_t kMinimumLogSize = 6;

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
  fd_ = ::open(fileName_.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd_ < 0) {
    if (errno != ENOENT) ThrowFileError("Cannot open", fileName_);
    return;
  }
  Load();
}

TLogFile::~TLogFile() {
  if (fd_ >= 0) ::close(fd_);
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
  if (fd_ < 0) {
    fd_ = ::open(fileName_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) ThrowFileError("Cannot create", fileName_);
  }
  if (::lseek(fd_, 0, SEEK_SET) < 0) ThrowFileError("Cannot write", fileName_);
  const std::string text = WholeText();
  WriteAll(fd_, text, fileName_);
  if (::ftruncate(fd_, static_cast<off_t>(text.size())) != 0) ThrowFileError("Cannot write", fileName_);
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
    for (std::size_t i = 0; same && i < ids.size(); ++i) same = i < values.size() && ReportItemValue(report, ids[i]) == values[i];
    if (same) return true;
  }
  return false;
}

void TLogFile::ExportXml(const std::string& target, const TCustomizedTexts& texts) const {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
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
