#include "excreport/options_publication.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace kestrova {
namespace {

constexpr std::size_t kSizeWord = 4;

std::string ObjectPath(const std::string& name) { return "/" + name; }

// Closes the descriptor on every way out.
class FileDescriptor final {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

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
  FileDescriptor fd(::shm_open(ObjectPath(name).c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600));
  if (fd.get() < 0) return false;
  // A block left by an earlier publication of the same name is resized, so the payload always fits.
  if (::ftruncate(fd.get(), static_cast<off_t>(size)) != 0) {
    ::shm_unlink(ObjectPath(name).c_str());
    return false;
  }
  void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
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

std::optional<std::string> OptionsPublication::Read(const std::string& name) {
  FileDescriptor fd(::shm_open(ObjectPath(name).c_str(), O_RDONLY | O_CLOEXEC, 0));
  if (fd.get() < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0 || static_cast<std::size_t>(status.st_size) < kSizeWord) return std::nullopt;
  const auto blockSize = static_cast<std::size_t>(status.st_size);
  void* memory = ::mmap(nullptr, blockSize, PROT_READ, MAP_SHARED, fd.get(), 0);
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
