// The lines of a text, for tests that compare what the program wrote line by line.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace kestrova::testing {

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace kestrova::testing
