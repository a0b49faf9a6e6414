// Pure SMTP text rules.
#include "excreport/delivery/smtp_reply.h"

#include <algorithm>
#include <limits>

namespace kestrova {

std::optional<std::uint32_t> ReplyCode(const std::string& reply) {
  std::optional<std::uint32_t> code;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t value = 0;
  for (char c : reply) {
    if (c < '0' || c > '9') break;
    value = std::min<std::uint64_t>(value * 10 + static_cast<std::uint64_t>(c - '0'), kMax);
    code = static_cast<std::uint32_t>(value);
  }
  return code;
}

std::size_t SmtpReplyLength(std::string_view received) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = received.find('\n', start);
    if (end == std::string_view::npos) return 0;
    const std::string_view line = received.substr(start, end - start);
    const bool continues =
        line.size() >= 4 && line[3] == '-' &&
        std::all_of(line.begin(), line.begin() + 3, [](char c) { return c >= '0' && c <= '9'; });
    if (!continues) return end + 1;
    start = end + 1;
  }
}

bool ReplyAccepted(const std::string& reply, std::initializer_list<std::uint16_t> accepted) {
  const std::optional<std::uint32_t> code = ReplyCode(reply);
  return code && std::find(accepted.begin(), accepted.end(), *code) != accepted.end();
}

std::string CommandLine(const std::string& command) {
  if (command.ends_with("\r\n")) return command;
  return command + "\r\n";
}

}  // namespace kestrova
