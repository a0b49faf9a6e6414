// zlib compression of the data block's options and debug information.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// A complete zlib stream of `data`.
std::string ZlibCompress(std::string_view data);
// The data of a complete zlib stream, or nothing when the stream is damaged, ends early or
// inflates beyond `limit` bytes.
std::optional<std::string> ZlibDecompress(std::string_view stream, std::size_t limit = 64u << 20);

}  // namespace kestrova
