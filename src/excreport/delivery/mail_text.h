// Pure text helpers of the report e-mail: header cleaning and the recipient list.
#pragma once

#include <string>
#include <vector>

namespace kestrova {

// The text with every run of characters with codes 0 to 31 replaced by one blank, so that a
// header value stays on its line.
std::string CleanHeaderText(const std::string& text);

// The recipients of a list separated by "," and ";", each trimmed of blanks and control
// characters, empty pieces dropped: " a ; ,b," gives "a" and "b".
std::vector<std::string> SplitRecipients(const std::string& recipients);

}  // namespace kestrova
