// TLogItem: builds the numbered, aligned sections of a report's general part.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// Collects sections of "  S.I Label: value" lines. Item numbers count every item added, shown
// or not, so that an ID always names the same item. Within a section the ": " of all lines
// line up; inside a value ": " is written ":_" so that the first ": " of a line always ends the
// label. Further lines of a value are indented to the value column, empty ones written ".".
// A section without shown items is left out. Plain value type; not shared between threads.
class TLogItem final {
 public:
  // The next section gets number `lastSection` + 1.
  explicit TLogItem(int lastSection = 0) : section_(lastSection) {}

  void NewSection(std::string_view title);
  void Add(std::string_view label, std::string_view value, bool shown);
  // The sections finished so far and the open one, separated by an empty line, without a final
  // line end.
  std::string Text() const;

 private:
  struct Line {
    std::string Prefix;  // "  S.I Label"
    std::string Value;
  };
  struct Section {
    std::string Title;
    std::vector<Line> Lines;
  };
  static std::string Render(const Section& section);

  int section_;
  int item_ = 0;
  std::vector<Section> sections_;
};

// Splits at CR LF, lone CR or lone LF.
std::vector<std::string> SplitLines(std::string_view text);
// Removes spaces, tabs and control characters at both ends.
std::string_view TrimText(std::string_view text);

}  // namespace kestrova
