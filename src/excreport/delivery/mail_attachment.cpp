// Reading an attachment file into its MIME part.
#include "excreport/delivery/mail_attachment.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "excreport/delivery/mail_message.h"
#include "excreport/delivery/send_names.h"

namespace kestrova {

std::string BuildAttachmentPart(const std::string& fileName, const std::string& stamp) {
  const bool blank =
      std::none_of(fileName.begin(), fileName.end(), [](unsigned char c) { return c > ' '; });
  std::error_code error;
  if (blank || !std::filesystem::is_regular_file(fileName, error)) return {};
  std::ifstream file(fileName, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file.is_open() || file.bad()) {
    throw std::runtime_error("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
  }
  return FormatAttachmentPart(AttachmentName(fileName, stamp), bytes);
}

}  // namespace kestrova
