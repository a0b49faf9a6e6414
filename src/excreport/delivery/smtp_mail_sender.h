// SendMailTo: one SMTP conversation that mails the report to one recipient.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrova {

// What one conversation sends, and to whom.
struct TSmtpMail {
  std::string server;  // host name or dotted IPv4 address
  std::uint16_t port = 25;
  std::string user, password;  // both empty: HELO without login; else EHLO and AUTH LOGIN
  std::string sender;
  std::string recipient;
  std::string subject;
  std::string body;
  std::vector<std::string> files;  // attached in order; missing files are left out
  std::string attachmentStamp;     // "yyyymmddhhnnss" added to attachment names, or empty
};

// Steps shown to the user; the values are the indexes of their custom texts.
enum TSmtpStatus : int {
  ssConnecting = 78,
  ssConnected = 79,
  ssSendingMessage = 80,
};

// Progress feed of a conversation; either may be empty.
struct TSmtpProgress {
  std::function<void(TSmtpStatus)> status;
  std::function<void(int percent)> position;  // 0 to 100 while the message goes out
};

struct TSmtpResult {
  bool accepted = false;  // every step of the conversation was accepted
  std::string error;      // the message of the exception that ended it, else empty
};

// Read timeout of the conversation's replies.
inline constexpr std::uint32_t kSmtpReadTimeoutMs = 30000;

// Connects, greets (HELO, or EHLO and AUTH LOGIN when a user or password is set), sends RSET,
// MAIL FROM, RCPT TO, DATA and the message, and drops the connection without QUIT. Never
// raises: a refused command or socket error ends the conversation with its message in error,
// whose transcript shows "<credentials>" for the login lines and "<message, N bytes>" for the
// message. Blocks the calling thread; no wait is longer than kSmtpReadTimeoutMs.
TSmtpResult SendMailTo(const TSmtpMail& mail, const TSmtpProgress& progress = {});

// The machine's host name as used in HELO and EHLO.
std::string LocalHostName();

}  // namespace kestrova
