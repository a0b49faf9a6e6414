// TextTable: the "|"-framed tables of a report (call stack, modules).
#pragma once

#include <string>
#include <vector>

namespace kestrova {

// Columns are as wide as their widest cell or title, cells left-aligned and padded with spaces.
// Layout: a rule of "-", the title row, a rule, then the body; each banner opens a block (after
// a rule, unless it is the first) and is followed by a "|-" separator row; a closing rule ends
// the table. The "-" rule followed by a "|" row is what the log recognises as a report.
class TextTable final {
 public:
  explicit TextTable(std::vector<std::string> titles);

  // One cell per title; missing cells are empty, extra ones are ignored.
  void AddRow(std::vector<std::string> cells);
  // A line across the whole table that opens a block of rows.
  void AddBanner(std::string text);
  // Without a final line end.
  std::string Render() const;

 private:
  struct Entry {
    bool Banner;
    std::vector<std::string> Cells;
  };
  std::vector<std::string> titles_;
  std::vector<Entry> entries_;
};

// A title outside the general part: the title, ":", and a row of "-" one longer than the title,
// followed by an empty line.
std::string PartTitle(const std::string& title);

}  // namespace kestrova
