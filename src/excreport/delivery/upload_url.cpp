// Splitting of the web upload address.
#include "excreport/delivery/upload_url.h"

#include <charconv>

namespace kestrova {
namespace {

bool IsHostCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trimmed(const std::string& text) {
  std::size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

// The text before the first separator, removed from text together with the separator; empty,
// text unchanged, when there is no separator or the part holds other characters.
std::string SplitOff(std::string& text, const std::string& separator) {
  const std::size_t at = text.find(separator);
  if (at == std::string::npos) return {};
  for (std::size_t i = 0; i < at; ++i) {
    if (!IsHostCharacter(text[i])) return {};
  }
  std::string part = text.substr(0, at);
  text.erase(0, at + separator.size());
  return part;
}

}  // namespace

bool SplitUploadUrl(const std::string& address, TUploadUrlParts& parts) {
  std::string text = Trimmed(address);
  if (text.empty() || text.back() != '/') text += '/';

  TUploadUrlParts result;
  // A port: ":" and digits right before the final "/".
  std::size_t digits = text.size() - 1;
  while (digits > 0 && IsDigit(text[digits - 1])) --digits;
  if (digits > 0 && digits < text.size() - 1 && text[digits - 1] == ':') {
    const char* first = text.data() + digits;
    const char* last = text.data() + text.size() - 1;
    const auto [end, error] = std::from_chars(first, last, result.port);
    if (error != std::errc() || end != last) return false;
    text.erase(digits - 1, text.size() - digits);
  }

  result.scheme = SplitOff(text, "://");
  result.user = SplitOff(text, ":");
  result.password = SplitOff(text, "@");
  result.host = SplitOff(text, "/");
  result.path = text.empty() ? text : text.substr(0, text.size() - 1);
  parts = std::move(result);
  return true;
}

}  // namespace kestrova
