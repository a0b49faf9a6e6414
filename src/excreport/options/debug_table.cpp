#include "excreport/options/debug_table.h"

#include <algorithm>
#include <unordered_map>

#include "excreport/options/byte_stream.h"

namespace kestrova {
namespace {

constexpr char kTableMagic[] = "QMDT";
constexpr std::uint16_t kTableFormat = 1;

// Collects each distinct string once; index 0 is the empty string.
class StringPool final {
 public:
  StringPool() { Index(""); }
  std::uint32_t Index(const std::string& text) {
    auto [it, added] = indexes_.try_emplace(text, static_cast<std::uint32_t>(strings_.size()));
    if (added) strings_.push_back(text);
    return it->second;
  }
  const std::vector<std::string>& Strings() const { return strings_; }

 private:
  std::unordered_map<std::string, std::uint32_t> indexes_;
  std::vector<std::string> strings_;
};

}  // namespace

std::string EncodeDebugTable(DebugTableSource source) {
  std::sort(source.Functions.begin(), source.Functions.end(),
            [](const auto& a, const auto& b) { return a.Start < b.Start; });
  std::stable_sort(source.Lines.begin(), source.Lines.end(),
                   [](const auto& a, const auto& b) { return a.Address < b.Address; });
  StringPool pool;
  ByteWriter functions;
  for (const auto& f : source.Functions) {
    functions.U32(f.Start);
    functions.U32(f.End);
    functions.U32(pool.Index(f.Unit));
    functions.U32(pool.Index(f.Class));
    functions.U32(pool.Index(f.Procedure));
  }
  ByteWriter lines;
  for (const auto& l : source.Lines) {
    lines.U32(l.Address);
    lines.U32(l.Number);
    lines.U32(pool.Index(l.Unit));
  }
  ByteWriter out;
  out.Bytes(std::string_view(kTableMagic, 4));
  out.U16(kTableFormat);
  const std::string_view buildId = std::string_view(source.BuildId).substr(0, 255);
  out.U8(static_cast<std::uint8_t>(buildId.size()));
  out.Bytes(buildId);
  out.U32(static_cast<std::uint32_t>(pool.Strings().size()));
  for (const std::string& text : pool.Strings()) {
    const std::string_view stored = std::string_view(text).substr(0, 0xFFFF);
    out.U16(static_cast<std::uint16_t>(stored.size()));
    out.Bytes(stored);
  }
  out.U32(static_cast<std::uint32_t>(source.Functions.size()));
  out.Bytes(functions.Data());
  out.U32(static_cast<std::uint32_t>(source.Lines.size()));
  out.Bytes(lines.Data());
  return out.Take();
}

std::optional<TQuillDebugInfo> TQuillDebugInfo::Decode(std::string_view bytes) {
  try {
    ByteReader reader(bytes);
    if (reader.Bytes(4) != std::string_view(kTableMagic, 4) || reader.U16() != kTableFormat) return std::nullopt;
    TQuillDebugInfo info;
    info.buildId_ = std::string(reader.Bytes(reader.U8()));
    const std::uint32_t stringCount = reader.U32();
    if (stringCount > reader.Remaining() / 2) return std::nullopt;
    info.strings_.reserve(stringCount);
    for (std::uint32_t i = 0; i < stringCount; ++i) info.strings_.emplace_back(reader.Bytes(reader.U16()));
    auto checkedIndex = [&](std::uint32_t index) {
      if (index >= info.strings_.size()) throw EReadError("Bad string index");
      return index;
    };
    const std::uint32_t functionCount = reader.U32();
    if (functionCount > reader.Remaining() / 20) return std::nullopt;
    info.functions_.reserve(functionCount);
    for (std::uint32_t i = 0; i < functionCount; ++i) {
      Function f{};
      f.Start = reader.U32();
      f.End = reader.U32();
      f.Unit = checkedIndex(reader.U32());
      f.Class = checkedIndex(reader.U32());
      f.Procedure = checkedIndex(reader.U32());
      info.functions_.push_back(f);
    }
    const std::uint32_t lineCount = reader.U32();
    if (lineCount != reader.Remaining() / 12 || reader.Remaining() % 12 != 0) return std::nullopt;
    info.lines_.reserve(lineCount);
    for (std::uint32_t i = 0; i < lineCount; ++i) {
      Line l{};
      l.Address = reader.U32();
      l.Number = reader.U32();
      l.Unit = checkedIndex(reader.U32());
      info.lines_.push_back(l);
    }
    auto byStart = [](const Function& a, const Function& b) { return a.Start < b.Start; };
    auto byAddress = [](const Line& a, const Line& b) { return a.Address < b.Address; };
    if (!std::is_sorted(info.functions_.begin(), info.functions_.end(), byStart) ||
        !std::is_sorted(info.lines_.begin(), info.lines_.end(), byAddress)) {
      return std::nullopt;
    }
    return info;
  } catch (const EReadError&) {
    return std::nullopt;
  }
}

std::optional<DebugLocation> TQuillDebugInfo::Lookup(std::uint32_t address) const {
  DebugLocation location;
  bool found = false;
  // The last function starting at or before the address, when the address is inside it.
  auto f = std::upper_bound(functions_.begin(), functions_.end(), address,
                            [](std::uint32_t a, const Function& fn) { return a < fn.Start; });
  const Function* function = nullptr;
  if (f != functions_.begin() && address < std::prev(f)->End) {
    function = &*std::prev(f);
    location.Unit = strings_[function->Unit];
    location.Class = strings_[function->Class];
    location.Procedure = strings_[function->Procedure];
    found = true;
  }
  // The last line row at or before the address; a row before the function belongs to other code.
  auto l = std::upper_bound(lines_.begin(), lines_.end(), address,
                            [](std::uint32_t a, const Line& line) { return a < line.Address; });
  if (l != lines_.begin()) {
    const Line& line = *std::prev(l);
    const bool inFunction = function == nullptr || line.Address >= function->Start;
    if (line.Number != 0 && inFunction) {
      location.Line = line.Number;
      location.LineOffset = address - line.Address;
      if (line.Unit != 0) location.Unit = strings_[line.Unit];
      found = true;
    }
  }
  if (!found) return std::nullopt;
  return location;
}

}  // namespace kestrova
