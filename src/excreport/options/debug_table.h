// The debug table: maps a code address of a module to unit, class, procedure and line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// What the build step collects from the executable's DWARF. Addresses are relative to the
// module's load address (the address of its ELF header in memory).
struct DebugTableSource {
  struct Function {
    std::uint32_t Start = 0;
    std::uint32_t End = 0;  // one past the last byte
    std::string Unit;       // source file name without folder and extension
    std::string Class;      // enclosing classes, "::"-separated; empty for a free function
    std::string Procedure;
  };
  struct Line {
    std::uint32_t Address = 0;
    std::uint32_t Number = 0;  // 0 ends a sequence: the addresses from here have no line
    std::string Unit;
  };
  std::string BuildId;  // raw bytes of the executable's GNU build-id note
  std::vector<Function> Functions;
  std::vector<Line> Lines;
};

// Where an address lies. Empty parts are unknown; Line 0 means no line information.
struct DebugLocation {
  std::string_view Unit;
  std::string_view Class;
  std::string_view Procedure;
  std::uint32_t Line = 0;
  std::uint32_t LineOffset = 0;  // bytes from the start of the line's code
};

// Serialised layout (little-endian): "QMDT", format (2), build-id length (1) and bytes; string
// pool: count (4), then each string as length (2) and bytes; functions: count (4), then
// start (4), end (4), unit (4), class (4), procedure (4) as pool indexes, sorted by start;
// lines: count (4), then address (4), line (4), unit (4), sorted by address.
std::string EncodeDebugTable(DebugTableSource source);

// The decoded table, immutable and safe to share between threads.
class TQuillDebugInfo final {
 public:
  // Nothing when the bytes are not a complete table.
  static std::optional<TQuillDebugInfo> Decode(std::string_view bytes);

  const std::string& BuildId() const { return buildId_; }
  std::size_t FunctionCount() const { return functions_.size(); }
  std::size_t LineCount() const { return lines_.size(); }

  // The location of `address` (relative to the module's load address), or nothing when it lies
  // in no known function and on no line.
  std::optional<DebugLocation> Lookup(std::uint32_t address) const;

 private:
  struct Function {
    std::uint32_t Start, End, Unit, Class, Procedure;
  };
  struct Line {
    std::uint32_t Address, Number, Unit;
  };

  std::string buildId_;
  std::vector<std::string> strings_;
  std::vector<Function> functions_;
  std::vector<Line> lines_;
};

}  // namespace kestrova
