// The binary stream form of the report options: writer and reader of every format version.
#pragma once

#include "excreport/options/byte_stream.h"
#include "excreport/options/option_fields.h"

namespace kestrova {

// The format version written by this build; the oldest one that can still be read.
inline constexpr int kOptionsFormatVersion = 513;
inline constexpr int kOldestOptionsFormatVersion = 400;

// Writes the stream form of the current format version.
void WriteOptionsStream(ByteWriter& stream, const QuillOptionsImage& image);

// Reads a stream of format version `version` into `image`; what that version does not store
// keeps its value. Raises EReadError on a truncated or corrupt stream or an unknown version.
void ReadOptionsStream(ByteReader& stream, int version, QuillOptionsImage& image);

}  // namespace kestrova
