#include "comport/port_name.h"

#include "comport/integer_text.h"

namespace kestrova {

std::string NormalizePortName(const std::string& text) {
  auto asciiUpper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  std::string rest = text;
  if (text.size() >= 3 && asciiUpper(text[0]) == 'C' && asciiUpper(text[1]) == 'O' && asciiUpper(text[2]) == 'M') {
    rest = text.substr(3);
  }
  std::int32_t number = ParseInt32(rest).value_or(1);
  if (number < 1 || number > 16) number = 1;
  return "COM" + std::to_string(number);
}

}  // namespace kestrova
