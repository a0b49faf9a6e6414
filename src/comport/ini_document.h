// The text of an INI file as an editable list of lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// Sections "[name]" hold "key=value" lines; lines beginning with ';' or '#' and any line that is
// neither are kept untouched. Section and key names compare ignoring ASCII letter case; names and
// values are read with surrounding blanks trimmed. Editing changes only the line concerned, so
// comments and the order of sections and keys survive a rewrite (a new key goes after the last
// key of its section, a new section at the end). Pure value type: no I/O, no shared state.
class IniDocument final {
 public:
  static IniDocument Parse(std::string_view text);
  // The lines joined with "\n", each line ended.
  std::string Text() const;

  // The value of the first such key in a section of that name; nullopt when there is none.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  // Replaces the first such key's line or adds "key=value". Raises std::invalid_argument, naming
  // the section, the key or the key's value, for a text the file cannot hold: a line break
  // anywhere, ']' in the section, '=' in the key, a key that is empty or would read as a comment.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);

 private:
  enum class LineKind { Other, Section, Entry };
  struct Line {
    LineKind kind = LineKind::Other;
    std::string text;  // the line as read or written
    std::string name;  // section name or key, trimmed
    std::string value;  // entry value, trimmed
  };

  // The first entry line of key in a section of that name; and the line a new key would follow:
  // the last entry of the first such section, else its header.
  struct Position {
    std::optional<std::size_t> entry;
    std::optional<std::size_t> insertAfter;
  };
  Position Find(std::string_view section, std::string_view key) const;

  std::vector<Line> lines_;
};

}  // namespace kestrova
