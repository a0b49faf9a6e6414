#include "excreport/options/options_publication.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

#include "common/unique_fd.h"

namespace kestrova {
namespace {

constexpr std::size_t kSizeWord = 4;

std::string ObjectPath(const std::string& name) { return "/" + name; }

constexpr std::string_view kBlockPrefix = "MODULE";
constexpr std::size_t kMinimumHexDigits = 8;

// The process ID in a block name made by BlockName: the last 8 of at least 16 hexadecimal
// digits behind the prefix. Nothing for another name.
std::optional<pid_t> PublishingProcess(std::string_view name) {
  if (!name.starts_with(kBlockPrefix)) return std::nullopt;
  const std::string_view digits = name.substr(kBlockPrefix.size());
  if (digits.size() < 2 * kMinimumHexDigits || digits.find_first_not_of("0123456789ABCDEF") != std::string_view::npos)
    return std::nullopt;
  const std::string_view process = digits.substr(digits.size() - kMinimumHexDigits);
  unsigned value = 0;
  const auto [end, failure] = std::from_chars(process.data(), process.data() + process.size(), value, 16);
  if (failure != std::errc() || value == 0 || value > static_cast<unsigned>(std::numeric_limits<pid_t>::max()))
    return std::nullopt;
  return static_cast<pid_t>(value);
}

}  // namespace

std::string OptionsPublication::BlockName(std::uintptr_t moduleHandle, pid_t processId) {
  char name[64];
  std::snprintf(name, sizeof name, "MODULE%08llX%08X", static_cast<unsigned long long>(moduleHandle),
                static_cast<unsigned>(processId));
  return name;
}

bool OptionsPublication::Publish(const std::string& name, std::string_view payload) {
  Close();
  if (payload.size() > UINT32_MAX - kSizeWord) return false;
  const std::size_t size = payload.size() + kSizeWord;
  UniqueFd fd(::shm_open(ObjectPath(name).c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600));
  if (fd.Get() < 0) return false;
  // A block left by an earlier publication of the same name is resized, so the payload always fits.
  if (::ftruncate(fd.Get(), static_cast<off_t>(size)) != 0) {
    ::shm_unlink(ObjectPath(name).c_str());
    return false;
  }
  void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.Get(), 0);
  if (memory == MAP_FAILED) {
    ::shm_unlink(ObjectPath(name).c_str());
    return false;
  }
  auto* bytes = static_cast<unsigned char*>(memory);
  const auto length = static_cast<std::uint32_t>(payload.size());
  for (std::size_t i = 0; i < kSizeWord; ++i) bytes[i] = static_cast<unsigned char>(length >> (8 * i));
  std::memcpy(bytes + kSizeWord, payload.data(), payload.size());
  ::munmap(memory, size);
  name_ = name;
  return true;
}

void OptionsPublication::Close() {
  if (name_.empty()) return;
  ::shm_unlink(ObjectPath(name_).c_str());
  name_.clear();
}

void OptionsPublication::Remove(const std::string& name) { ::shm_unlink(ObjectPath(name).c_str()); }

void OptionsPublication::RemoveAbandoned(const std::string& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::optional<pid_t> owner = PublishingProcess(entry.path().filename().string());
    if (owner && ::kill(*owner, 0) != 0 && errno == ESRCH) Remove(entry.path().filename().string());
  }
}

std::optional<std::string> OptionsPublication::Read(const std::string& name) {
  UniqueFd fd(::shm_open(ObjectPath(name).c_str(), O_RDONLY | O_CLOEXEC, 0));
  if (fd.Get() < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0 || static_cast<std::size_t>(status.st_size) < kSizeWord) return std::nullopt;
  const auto blockSize = static_cast<std::size_t>(status.st_size);
  void* memory = ::mmap(nullptr, blockSize, PROT_READ, MAP_SHARED, fd.Get(), 0);
  if (memory == MAP_FAILED) return std::nullopt;
  const auto* bytes = static_cast<const unsigned char*>(memory);
  std::uint32_t length = 0;
  for (std::size_t i = 0; i < kSizeWord; ++i) length |= std::uint32_t{bytes[i]} << (8 * i);
  std::optional<std::string> payload;
  if (length <= blockSize - kSizeWord) payload.emplace(reinterpret_cast<const char*>(bytes + kSizeWord), length);
  ::munmap(memory, blockSize);
  return payload;
}

}  // namespace kestrova
