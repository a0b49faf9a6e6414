// Pure SMTP text rules: the numeric code at the start of a reply and the line form of a command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// The decimal number at the very start of a reply; empty when it does not start with a digit.
// For a multi-line reply this is the first line's code. Values too large for 32 bits saturate.
std::optional<std::uint32_t> ReplyCode(const std::string& reply);

// The length of the first complete reply in the text received so far, 0 while it is not
// complete. Lines end with LF (CR LF on the wire); a line "NNN-text" (three digits and "-")
// continues the reply, any other complete line ends it: "NNN text", "NNN" alone, and also a
// line that is no reply line at all, so that its code check refuses it at once.
std::size_t SmtpReplyLength(std::string_view received);

// True when the reply's code equals one of the accepted codes.
bool ReplyAccepted(const std::string& reply, std::initializer_list<std::uint16_t> accepted);

// The command as it goes on the wire: CR LF appended unless the text already ends with it.
std::string CommandLine(const std::string& command);

}  // namespace kestrova
