#include "excreport/screenshot/png_file.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "common/file_io.h"
#include "excreport/screenshot/octree_quantizer.h"
#include "excreport/screenshot/png_encoder.h"

namespace kestrova {

bool SavePngFile(const std::string& FileName, const RgbImage& Image) noexcept {
  try {
    if (FileName.empty()) return false;
    const std::optional<std::vector<std::uint8_t>> png = EncodePng(ReduceTo256Colors(Image));
    if (!png) return false;
    // The picture may show private data: only its owner may read it.
    WriteWholeFile(FileName, *png, 0600);
    return true;
  } catch (...) {
    // A report goes on without its picture.
    return false;
  }
}

}  // namespace kestrova
