// Pure text helpers of the report e-mail.
#include "excreport/delivery/mail_text.h"

namespace kestrova {
namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 32; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::string CleanHeaderText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsControl(text[i])) {
      out += text[i];
    } else if (i == 0 || !IsControl(text[i - 1])) {
      out += ' ';
    }
  }
  return out;
}

std::vector<std::string> SplitRecipients(const std::string& recipients) {
  std::vector<std::string> list;
  std::size_t start = 0;
  while (start <= recipients.size()) {
    std::size_t end = recipients.find_first_of(",;", start);
    if (end == std::string::npos) end = recipients.size();
    std::size_t first = start, last = end;
    while (first < last && IsBlank(recipients[first])) ++first;
    while (last > first && IsBlank(recipients[last - 1])) --last;
    if (last > first) list.push_back(recipients.substr(first, last - first));
    start = end + 1;
  }
  return list;
}

}  // namespace kestrova
