// The report e-mail's MIME message; pure.
#include "excreport/delivery/mail_message.h"

#include <algorithm>
#include <cctype>

#include "excreport/delivery/base64.h"
#include "excreport/delivery/mail_encoding.h"
#include "excreport/delivery/mail_text.h"

namespace kestrova {
namespace {

constexpr std::size_t kBase64LineLength = kEncodedLineLength;

// SMTP data transparency: a line starting with "." is sent with one more ".".
std::string StuffDots(const std::string& body) {
  std::string out;
  out.reserve(body.size());
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '.' && (i == 0 || body[i - 1] == '\n')) out += '.';
    out += body[i];
  }
  return out;
}

}  // namespace

std::string AttachmentContentType(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return extension == ".PNG" ? "image/png" : "application/octet-stream";
}

std::string FormatAttachmentPart(const std::string& name, const std::string& bytes) {
  const std::string encoded = Base64Text(bytes);
  std::string part = kMailAttachmentStart;
  part += AttachmentContentType(name) + ";\r\n";
  part += "        " + MimeParameter("name", name) + "\r\n";
  part += "Content-Transfer-Encoding: base64\r\n";
  part += "Content-Disposition: attachment;\r\n";
  part += "        " + MimeParameter("filename", name) + "\r\n\r\n";
  for (std::size_t at = 0; at < encoded.size(); at += kBase64LineLength) {
    part.append(encoded, at, kBase64LineLength);
    if (at + kBase64LineLength <= encoded.size()) part += "\r\n";
  }
  part += "\r\n";
  return part;
}

std::string ComposeMailMessage(const TMailMessage& message) {
  std::string text;
  text += "Date: " + message.date + "\r\n";
  text += "From: <" + CleanHeaderText(message.sender) + ">\r\n";
  text += "Subject: " + EncodeHeaderValue(CleanHeaderText(message.subject)) + "\r\n";
  text += "To: <" + CleanHeaderText(message.recipient) + ">\r\n";
  text += std::string(kMailHeaderLines) + "\r\n";
  text += "Message-ID: <" + std::to_string(message.tickCount) + "@" + kMessageIdHost + ">\r\n";
  text += "\r\n";
  text += kMailTextPartStart + StuffDots(QuotedPrintable(message.body)) + "\r\n";
  text += message.attachmentParts;
  text += "--" + std::string(kMailBoundary) + "--\r\n";
  text += ".";
  return text;
}

}  // namespace kestrova
