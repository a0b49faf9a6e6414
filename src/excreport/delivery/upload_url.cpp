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

// A port number written as digits only; false when they do not form a 32-bit number.
bool ParsePort(std::string_view digits, std::int32_t& port) {
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  return error == std::errc() && end == digits.data() + digits.size();
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

}  // namespace

bool SplitUploadUrl(const std::string& address, TUploadUrlParts& parts) {
  std::string text = Trimmed(address);
  if (text.empty() || text.back() != '/') text += '/';

  TUploadUrlParts result;
  // A port at the very end: ":" and digits right before the final "/".
  std::size_t digits = text.size() - 1;
  while (digits > 0 && IsDigit(text[digits - 1])) --digits;
  if (digits > 0 && digits < text.size() - 1 && text[digits - 1] == ':') {
    if (!ParsePort(std::string_view(text).substr(digits, text.size() - 1 - digits), result.port)) {
      return false;
    }
    text.erase(digits - 1, text.size() - digits);
  }

  result.scheme = SplitOff(text, "://");
  // The login comes before an "@" in the part up to the first "/"; without an "@" a ":" there
  // separates the host from its port, as in "reports.example.com:8080/upload".
  const std::size_t slash = text.find('/');
  const std::size_t at = text.rfind('@', slash);
  if (at != std::string::npos) {
    const std::string login = text.substr(0, at);
    const std::size_t colon = login.find(':');
    result.user = login.substr(0, colon);
    if (colon != std::string::npos) result.password = login.substr(colon + 1);
    text.erase(0, at + 1);
  }
  std::string authority = text.substr(0, text.find('/'));
  const std::size_t colon = authority.find(':');
  if (colon != std::string::npos && AllDigits(std::string_view(authority).substr(colon + 1))) {
    if (!ParsePort(std::string_view(authority).substr(colon + 1), result.port)) return false;
    text.erase(colon, authority.size() - colon);
  }
  result.host = SplitOff(text, "/");
  result.path = text.empty() ? text : text.substr(0, text.size() - 1);
  parts = std::move(result);
  return true;
}

}  // namespace kestrova
