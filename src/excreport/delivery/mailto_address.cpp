#include "excreport/delivery/mailto_address.h"

namespace kestrova {
namespace {

bool KeptAsIs(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
         byte == '-' || byte >= 128;
}

}  // namespace

std::string MailtoEncode(std::string_view text) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size() * 3);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (KeptAsIs(byte)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHexDigits[byte >> 4];
      encoded += kHexDigits[byte & 0x0F];
    }
  }
  return encoded;
}

std::string MailtoAddress(std::string_view recipients, std::string_view subject, std::string_view body) {
  std::string address = "mailto:";
  address += recipients;
  address += "?Subject=";
  address += MailtoEncode(subject);
  address += "&Body=";
  address += MailtoEncode(body);
  return address;
}

}  // namespace kestrova
