// EQuillSocketError: the one exception of the socket client, the SMTP dialogue and the
// mail-host lookup.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrova {

// Carries only its message; for socket and SMTP failures the message ends with the session
// transcript, so a caller that logs what() has the whole conversation.
class EQuillSocketError final : public std::runtime_error {
 public:
  explicit EQuillSocketError(const std::string& message) : std::runtime_error(message) {}

  // The error of every failure of this area: "\r\nSocket log:\r\n" and the transcript are
  // appended unless the message already holds the transcript (an empty one never counts).
  static EQuillSocketError WithTranscript(const std::string& message, const std::string& log) {
    if (!log.empty() && message.find(log) != std::string::npos) return EQuillSocketError(message);
    return EQuillSocketError(message + "\r\nSocket log:\r\n" + log);
  }
};

}  // namespace kestrova
