#include "excreport/screenshot/png_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <vector>

#include "excreport/screenshot/octree_quantizer.h"
#include "excreport/screenshot/png_encoder.h"

namespace kestrova {
namespace {

// The new file beside the target; removed on destruction unless it was renamed into place.
class TemporaryFile final {
 public:
  explicit TemporaryFile(const std::string& Target) : name_(Target + ".XXXXXX") {
    fd_ = mkostemp(name_.data(), O_CLOEXEC);
    created_ = fd_ >= 0;
  }
  ~TemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (created_ && !renamed_) unlink(name_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }

  bool WriteAll(std::span<const std::uint8_t> Bytes) {
    while (!Bytes.empty()) {
      const ssize_t written = write(fd_, Bytes.data(), Bytes.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      Bytes = Bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
  }

  // Closes the file (a failed close can mean lost data) and moves it to Target.
  bool RenameTo(const std::string& Target) {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) return false;
    renamed_ = std::rename(name_.c_str(), Target.c_str()) == 0;
    return renamed_;
  }

 private:
  std::string name_;
  int fd_ = -1;  // open until RenameTo closes it
  bool created_ = false;
  bool renamed_ = false;
};

}  // namespace

bool SavePngFile(const std::string& FileName, const RgbImage& Image) noexcept {
  try {
    if (FileName.empty()) return false;
    const std::optional<std::vector<std::uint8_t>> png = EncodePng(ReduceTo256Colors(Image));
    if (!png) return false;
    TemporaryFile file(FileName);
    return file.IsOpen() && file.WriteAll(*png) && file.RenameTo(FileName);
  } catch (...) {
    // Only allocation can throw here; a report must go on without its picture.
    return false;
  }
}

}  // namespace kestrova
