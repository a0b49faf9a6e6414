// TLogFile: the log of reports next to the program.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "excreport/options/customized_texts.h"

namespace kestrova {

// Holds the reports of one log file, oldest first, each ending with three CR LF. The file stays
// open from creation (when it existed) to destruction. A writable log's folder is held under an
// exclusive lock (flock) from creation, where the log is read, to destruction, so that
// processes writing the same log (two instances, the crash helper) never lose a report; a lock
// not had within 10 s is an error.
// Save writes a temporary file (mode 0600) and renames it over the log: a failed save leaves
// the old log whole. Readers take no lock. One object is used by one thread at a time (the
// report procedure). File errors raise std::system_error.
class TLogFile final {
 public:
  // Resolves where the log can be used (the fallback folder under the user's home when
  // `fileName` cannot be written, or read when `readOnly`), then loads it when it exists; a
  // writable log is locked first, which waits for another writer to finish.
  TLogFile(const std::string& fileName, bool readOnly);
  ~TLogFile();
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  const std::string& FileName() const { return fileName_; }
  int ReportCount() const { return static_cast<int>(reports_.size()); }
  const std::string& Report(int index) const { return reports_.at(static_cast<std::size_t>(index)); }

  // Drops the oldest reports so that, with the new one, at most `limit` remain (always keeps
  // the new one), then appends it.
  void AddReport(std::string_view text, int limit);
  // Replaces the file by one holding all reports.
  void Save();
  // All reports joined by CR LF.
  std::string WholeText() const;
  // Item `id` of report `index`; empty when there is no such report or item.
  std::string ItemValue(std::string_view id, int index) const;
  // True when some report has, for every ID, an item with the given value (as far as
  // ComparableItemValue compares them).
  bool FindDuplicate(const std::vector<std::string>& ids, const std::vector<std::string>& values) const;
  // Writes the XML form of the log to `target`.
  void ExportXml(const std::string& target, const TCustomizedTexts& texts) const;

 private:
  void LockFolder();
  void Load();
  void Close();

  std::string fileName_;
  bool readOnly_;
  int fd_ = -1;
  int lockFd_ = -1;  // the folder, locked while a writable log lives
  std::vector<std::string> reports_;
};

}  // namespace kestrova
