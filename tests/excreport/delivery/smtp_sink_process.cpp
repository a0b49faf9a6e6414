// The aiosmtpd sink and its records.
#include "excreport/delivery/smtp_sink_process.h"

#include <fstream>
#include <sstream>

namespace kestrova::test {

SmtpSinkProcess::FolderRemover::~FolderRemover() {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

SmtpSinkProcess::SmtpSinkProcess()
    : folder_{MakeTempFolder("kestrova-smtp-")},
      server_("smtp_sink.py", {folder_.folder.string()}) {}

SmtpSinkProcess::~SmtpSinkProcess() = default;

std::vector<std::string> SmtpSinkProcess::Events() const {
  std::ifstream file(folder_.folder / "events");
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

std::string SmtpSinkProcess::Message(int n) const {
  std::ifstream file(folder_.folder / ("message-" + std::to_string(n) + ".eml"), std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace kestrova::test
