// The "mailto:" address that hands a report to the desktop's mail handler; pure.
#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// Keeps ASCII letters, digits, "-" and every byte of 128 or more; every other byte becomes "%"
// and two upper-case hexadecimal digits (a blank is "%20", a full stop "%2E").
std::string MailtoEncode(std::string_view text);

// "mailto:" + recipients as given + "?Subject=" + encoded subject + "&Body=" + encoded body.
std::string MailtoAddress(std::string_view recipients, std::string_view subject, std::string_view body);

}  // namespace kestrova
