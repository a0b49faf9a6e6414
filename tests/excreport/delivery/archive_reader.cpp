#include "archive_reader.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace kestrova::test {
namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

}  // namespace

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    result.output.append(buffer, got);
  }
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

ReadArchive ReadWithPython(const std::filesystem::path& archive) {
  const CommandResult run = RunCommand("/usr/bin/python3 " + Quote(KESTROVA_TGZ_READER) + " " +
                                       Quote(archive.string()));
  ReadArchive result;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  std::stringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> f = SplitTabs(line);
    if (f.size() == 2 && f[0] == "gzip_name") result.gzipName = f[1];
    if (f.size() == 2 && f[0] == "tar_length") result.tarLength = std::stoull(f[1]);
    if (f.size() == 2 && f[0] == "trailing") result.trailing = std::stoull(f[1]);
    if (f.size() == 7 && f[0] == "entry") {
      result.entries.push_back({f[1], std::stoull(f[2]), std::stoll(f[3]),
                                static_cast<unsigned>(std::stoul(f[4])),
                                static_cast<unsigned>(std::stoul(f[5])), FromHex(f[6])});
    }
  }
  return result;
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrova-pack-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::Write(const std::string& name, const std::string& bytes,
                                        long long mtime) const {
  const std::filesystem::path file = path_ / name;
  std::ofstream(file, std::ios::binary) << bytes;
  const timespec times[2] = {{mtime, 0}, {mtime, 0}};
  ::utimensat(AT_FDCWD, file.c_str(), times, 0);
  return file;
}

std::vector<std::string> TempFolder::List() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kestrova::test
