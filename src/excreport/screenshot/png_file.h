// Writing a picture as a palette PNG file.
#pragma once

#include <string>

#include "excreport/screenshot/rgb_image.h"

namespace kestrova {

// Reduces Image to at most 256 colours, encodes it and writes it to FileName, replacing any
// file there. The bytes go to a new file beside FileName (readable by the owner only: a picture
// of the screen may show private data) that is then renamed over it, so a reader never sees a
// partial picture. Returns false, never throws, on any failure (empty picture, no memory, the
// folder cannot be written, the disk is full, FileName is a folder): the new file is removed
// and FileName is left as it was. Callable from any thread.
bool SavePngFile(const std::string& FileName, const RgbImage& Image) noexcept;

}  // namespace kestrova
