#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "common/file_error.h"
#include "common/unique_fd.h"

namespace kestrova {
namespace {

std::chrono::system_clock::time_point ToTimePoint(const timespec& time) {
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec)));
}

// Creates a file beside path that no one else uses; returns its descriptor.
int CreateSibling(const std::filesystem::path& path, std::filesystem::path& sibling, mode_t permissions) {
  static std::atomic<unsigned> counter{0};
  for (;;) {
    sibling = path;
    sibling += ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(sibling.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, permissions);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
}

// Returns 0, or the errno of the write that failed.
int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return 0;
}

}  // namespace

FileContents ReadFileContents(const std::filesystem::path& path) {
  // O_NONBLOCK keeps the open from waiting on a pipe; it changes nothing for a regular file.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0) throw EFileError("open", path, errno);
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0) throw EFileError("open", path, errno);
  if (S_ISDIR(status.st_mode)) throw EFileError("open", path, EISDIR);
  if (!S_ISREG(status.st_mode)) throw EFileError("open", path, "Not a regular file");

  FileContents contents;
  contents.ModificationTime = ToTimePoint(status.st_mtim);
  // The size is a first guess: the file may grow or shrink while it is read.
  contents.Bytes.resize(static_cast<std::size_t>(status.st_size) + 1);
  std::size_t filled = 0;
  for (;;) {
    if (filled == contents.Bytes.size()) contents.Bytes.resize(filled * 2);
    const ssize_t got = ::read(fd.Get(), contents.Bytes.data() + filled,
                               contents.Bytes.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw EFileError("read", path, errno);
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  contents.Bytes.resize(filled);
  return contents;
}

void WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, mode_t permissions) {
  std::filesystem::path sibling;
  UniqueFd fd(CreateSibling(path, sibling, permissions));
  if (fd.Get() < 0) throw EFileError("create", path, errno);
  int error = WriteAll(fd.Get(), bytes);
  if (const int closeError = fd.Close(); error == 0) error = closeError;
  if (error != 0) {
    ::unlink(sibling.c_str());
    throw EFileError("write", path, error);
  }
  if (::rename(sibling.c_str(), path.c_str()) != 0) {
    error = errno;
    ::unlink(sibling.c_str());
    throw EFileError("create", path, error);
  }
}

}  // namespace kestrova
