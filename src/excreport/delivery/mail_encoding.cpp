// Standard encodings of the report e-mail.
#include "excreport/delivery/mail_encoding.h"

#include <algorithm>
#include <cstdio>

#include "excreport/delivery/base64.h"

namespace kestrova {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
// "=?UTF-8?B?" and "?=" around at most 45 bytes (60 Base64 characters): 72 of 75 allowed.
constexpr std::size_t kWordBytes = 45;

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

bool IsPlainAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return Byte(c) < 128; });
}

// Where a cut before `at` keeps UTF-8 sequences whole: steps back over continuation bytes.
std::size_t SequenceStart(std::string_view text, std::size_t at) {
  std::size_t cut = at;
  while (cut > 0 && cut < text.size() && (Byte(text[cut]) & 0xC0) == 0x80) --cut;
  return cut == 0 ? at : cut;
}

std::string Escaped(unsigned char c, char mark) { return {mark, kHex[c >> 4], kHex[c & 15]}; }

}  // namespace

std::string EncodeHeaderValue(std::string_view text) {
  if (IsPlainAscii(text)) return std::string(text);
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = SequenceStart(text, std::min(text.size(), at + kWordBytes));
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + Base64Text(text.substr(at, end - at)) + "?=";
    at = end;
  }
  return out;
}

std::string QuotedPrintable(std::string_view text) {
  std::string out;
  std::size_t lineLength = 0;
  const auto put = [&](const std::string& piece) {
    // A soft break ("=" at the end) keeps each line within 76 characters.
    if (lineLength + piece.size() > kEncodedLineLength - 1) {
      out += "=\r\n";
      lineLength = 0;
    }
    out += piece;
    lineLength += piece.size();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = Byte(text[i]);
    const bool crlf = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    if (crlf || c == '\n') {
      out += "\r\n";
      lineLength = 0;
      if (crlf) ++i;
      continue;
    }
    const bool lineEndsHere = i + 1 == text.size() || text[i + 1] == '\n' ||
                              (text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n');
    const bool blank = c == ' ' || c == '\t';
    const bool plain = (c >= 33 && c <= 126 && c != '=') || (blank && !lineEndsHere);
    put(plain ? std::string(1, static_cast<char>(c)) : Escaped(c, '='));
  }
  return out;
}

std::string MimeParameter(std::string_view name, std::string_view value) {
  const bool quotable = std::all_of(value.begin(), value.end(), [](char c) {
    return Byte(c) >= 32 && Byte(c) < 127 && c != '"' && c != '\\';
  });
  if (quotable) return std::string(name) + "=\"" + std::string(value) + "\"";
  std::string out = std::string(name) + "*=UTF-8''";
  for (char c : value) {
    const unsigned char b = Byte(c);
    const bool keep = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                      c == '-' || c == '.' || c == '_' || c == '~';
    out += keep ? std::string(1, c) : Escaped(b, '%');
  }
  return out;
}

}  // namespace kestrova
