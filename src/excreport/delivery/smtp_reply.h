// Pure SMTP text rules: the numeric code at the start of a reply and the line form of a command.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

namespace kestrova {

// The decimal number at the very start of a reply; empty when it does not start with a digit.
// For a multi-line reply this is the first line's code. Values too large for 32 bits saturate.
std::optional<std::uint32_t> ReplyCode(const std::string& reply);

// True when the reply's code equals one of the accepted codes.
bool ReplyAccepted(const std::string& reply, std::initializer_list<std::uint16_t> accepted);

// The command as it goes on the wire: CR LF appended unless the text already ends with it.
std::string CommandLine(const std::string& command);

}  // namespace kestrova
