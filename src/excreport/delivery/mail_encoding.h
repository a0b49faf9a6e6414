// Encodings that keep the report e-mail standard for any text: RFC 2047 header words, quoted-
// printable text, RFC 2231 parameters; pure.
#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// Longest line of encoded text in a message (RFC 2045).
inline constexpr std::size_t kEncodedLineLength = 76;

// A header value as it goes after "Name: ". Plain ASCII stays as it is; any other byte makes
// the whole value "=?UTF-8?B?...?=" words of at most 75 characters, folded onto continuation
// lines, each word holding whole UTF-8 sequences.
std::string EncodeHeaderValue(std::string_view text);

// Quoted-printable (RFC 2045) of UTF-8 text: line breaks (CR LF, or a lone LF) stay line breaks
// as CR LF, other control bytes, "=" and bytes of 128 or more become "=XX", a blank or tab
// before a line break is encoded, and lines longer than 76 characters get soft breaks.
std::string QuotedPrintable(std::string_view text);

// A MIME parameter "name=value": quoted when the value is plain printable ASCII without
// quotes or backslashes, else in the RFC 2231 form name*=UTF-8''percent-encoded.
std::string MimeParameter(std::string_view name, std::string_view value);

}  // namespace kestrova
