// BuildAttachmentPart: one file of the report e-mail as a MIME part.
#pragma once

#include <string>

namespace kestrova {

// The part for the file (see FormatAttachmentPart), attached under AttachmentName(fileName,
// stamp); empty when the trimmed name is empty or no such file exists. Raises
// std::runtime_error when the file exists but cannot be read.
std::string BuildAttachmentPart(const std::string& fileName, const std::string& stamp);

}  // namespace kestrova
