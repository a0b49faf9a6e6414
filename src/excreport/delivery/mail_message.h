// The report e-mail's MIME message, byte for byte; pure (attachment files are read elsewhere).
#pragma once

#include <cstdint>
#include <string>

namespace kestrova {

inline constexpr const char* kMailBoundary = "=_xcjvnxkbhvfkxzhfdbvzldjhfv";
inline constexpr const char* kMailHeaderLines =
    "Content-Type: multipart/mixed; boundary=\"=_xcjvnxkbhvfkxzhfdbvzldjhfv\";\r\n"
    "MIME-Version: 1.0";
inline constexpr const char* kMailTextPartStart =
    "This is a multi-part message in MIME format\r\n\r\n"
    "--=_xcjvnxkbhvfkxzhfdbvzldjhfv\r\n"
    "Content-Type: text/plain; charset=UTF-8\r\n"
    "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
inline constexpr const char* kMailAttachmentStart =
    "\r\n--=_xcjvnxkbhvfkxzhfdbvzldjhfv\r\nContent-Type: ";
// Host part of the "Message-ID" header.
inline constexpr const char* kMessageIdHost = "kestrova.report";

struct TMailMessage {
  std::string date;    // RfcDate of the sending time
  std::string sender;  // header values; cleaned when composed
  std::string recipient;
  std::string subject;
  std::string body;
  std::uint32_t tickCount = 0;  // the "Message-ID" number
  std::string attachmentParts;  // BuildAttachmentPart of each file, concatenated
};

// "image/png" for a ".png" name in any case, else "application/octet-stream".
std::string AttachmentContentType(const std::string& name);

// One attachment part: the part header naming the attachment twice (RFC 2231 form for a name
// that is not plain ASCII or holds quotes), then the Base64 of the bytes in lines of 76
// characters (full lines end with CR LF) and the part's closing CR LF.
std::string FormatAttachmentPart(const std::string& name, const std::string& bytes);

// The whole message: headers, text part, attachment parts, closing boundary and the ending
// ".". Header values are cleaned of control characters; a subject that is not plain ASCII is
// encoded (RFC 2047). The body, UTF-8, goes as quoted-printable. Lines starting with "." get a
// second "." (the receiving server removes it), so a body line can never end the data early.
std::string ComposeMailMessage(const TMailMessage& message);

}  // namespace kestrova
