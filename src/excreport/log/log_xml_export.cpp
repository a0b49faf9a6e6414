#include "excreport/log/log_xml_export.h"

#include <cctype>
#include <string_view>

#include "excreport/log/log_text.h"
#include "excreport/log/xml_item.h"
#include "excreport/report/log_item.h"

namespace kestrova {
namespace {

using Lines = std::vector<std::string>;

bool IsRule(std::string_view line) { return !line.empty() && line.find_first_not_of('-') == std::string_view::npos; }
bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// "  S.I label: value" -> the ID, or empty when the line is no item line.
std::string ItemId(std::string_view line) {
  if (line.size() < 5 || !StartsWith(line, "  ") || !std::isdigit(static_cast<unsigned char>(line[2]))) return {};
  const std::size_t space = line.find(' ', 2);
  if (space == std::string_view::npos || line.find(": ", space) == std::string_view::npos) return {};
  const std::string_view id = line.substr(2, space - 2);
  if (id.find('.') == std::string_view::npos || id.find_first_not_of("0123456789.") != std::string_view::npos) return {};
  return std::string(id);
}

// A value line back in its original form: ":_" as ": ", a lone "." as an empty line.
std::string RestoredLine(std::string_view line) {
  const std::string_view trimmed = TrimText(line);
  if (trimmed == ".") return {};
  std::string text(trimmed);
  for (std::size_t at = text.find(":_"); at != std::string::npos; at = text.find(":_", at + 2)) text[at + 1] = ' ';
  return text;
}

// Reads the general part from line `i` on; leaves `i` behind it. The value of the section titled
// `requestTitle` goes to `reproduce`.
void AddGeneral(TXMLItem& general, const Lines& lines, std::size_t& i, std::string_view requestTitle, std::string& reproduce) {
  for (;;) {
    while (i < lines.size() && lines[i].empty()) ++i;
    if (i + 2 >= lines.size() || !IsRule(lines[i + 1]) || ItemId(lines[i + 2]).empty()) return;
    const std::string& title = lines[i];
    const std::string firstId = ItemId(lines[i + 2]);
    TXMLItem& group = general.Add("Group");
    const std::string_view label = title.back() == ':' ? std::string_view(title).substr(0, title.size() - 1) : title;
    group.Attribute("ID", firstId.substr(0, firstId.find('.'))).Attribute("Label", label);
    i += 2;
    while (i < lines.size() && !lines[i].empty()) {
      const std::string& line = lines[i++];
      const std::string id = ItemId(line);
      if (id.empty()) continue;  // damaged text: a line with ": " that is no item
      const std::size_t colon = line.find(": ");
      const std::size_t labelStart = 2 + id.size() + 1;
      std::string value = RestoredLine(line.substr(colon + 2));
      while (i < lines.size() && !lines[i].empty() && lines[i].find(": ") == std::string::npos)
        value += "\r\n" + RestoredLine(lines[i++]);
      if (label == requestTitle) reproduce = value;
      group.Add("Line")
          .Attribute("ID", id)
          .Attribute("Label", TrimText(std::string_view(line).substr(labelStart, colon - std::min(colon, labelStart))))
          .Attribute("Value", value);
    }
  }
}

// A "|" table: the title row and the body rows (banners and cells, without rules and separators).
struct Table {
  std::vector<std::size_t> Bars;  // positions of "|" in the title row
  Lines Rows;

  bool IsCellRow(const std::string& row) const {
    if (row.size() != Bars.back() + 1) return false;
    for (std::size_t bar : Bars)
      if (row[bar] != '|') return false;
    return true;
  }
  std::vector<std::string> Cells(const std::string& row) const {
    std::vector<std::string> cells;
    for (std::size_t k = 0; k + 1 < Bars.size(); ++k)
      cells.emplace_back(TrimText(std::string_view(row).substr(Bars[k] + 1, Bars[k + 1] - Bars[k] - 1)));
    return cells;
  }
};

std::vector<Table> FindTables(const Lines& lines, std::size_t from) {
  std::vector<Table> tables;
  for (std::size_t i = from; i + 1 < lines.size(); ++i) {
    if (!IsRule(lines[i]) || !StartsWith(lines[i + 1], "|")) continue;
    Table table;
    const std::string& titles = lines[i + 1];
    for (std::size_t at = titles.find('|'); at != std::string::npos; at = titles.find('|', at + 1)) table.Bars.push_back(at);
    for (i += 2; i < lines.size() && (StartsWith(lines[i], "|") || IsRule(lines[i])); ++i) {
      if (StartsWith(lines[i], "|") && !StartsWith(lines[i], "|-")) table.Rows.push_back(lines[i]);
    }
    if (table.Bars.size() > 1) tables.push_back(std::move(table));
  }
  return tables;
}

// Address, module, unit, class, procedure, line.
constexpr std::size_t kStackColumns = 6;

void AddStackLine(TXMLItem& thread, const std::vector<std::string>& cells) {
  const std::string& line = cells[5];
  const std::size_t bracket = line.find('[');
  const std::string offset = bracket == std::string::npos ? std::string() : line.substr(bracket + 1, line.find(']', bracket) - bracket - 1);
  thread.Add("Line")
      .Attribute("Address", cells[0])
      .Attribute("Module", cells[1])
      .Attribute("Unit", cells[2])
      .Attribute("Class", cells[3])
      .Attribute("Procedure", cells[4])
      .Attribute("Number", line.substr(0, bracket))
      .Attribute("Offset", offset);
}

// "Kind: ID=1; Priority=0; Class=X; Main" -> the element of that thread.
TXMLItem& AddThread(TXMLItem& callStack, TXMLItem* last, std::string_view banner, const TCustomizedTexts& texts) {
  const std::string_view content = TrimText(banner.substr(1, banner.size() - 2));
  const std::size_t colon = content.find(": ");
  const std::string_view kind = content.substr(0, colon);
  std::string id, priority, threadClass;
  bool main = false;
  std::string_view rest = colon == std::string_view::npos ? std::string_view() : content.substr(colon + 2);
  while (!rest.empty()) {
    const std::size_t end = rest.find("; ");
    const std::string_view part = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
    const std::size_t equals = part.find('=');
    if (equals == std::string_view::npos) {
      main = main || part == texts[68];
      continue;
    }
    const std::string_view key = part.substr(0, equals);
    const std::string value(part.substr(equals + 1));
    if (key == texts[72]) id = value;
    else if (key == texts[73]) priority = value;
    else if (key == texts[74]) threadClass = value;
  }
  const bool calling = kind == texts[71] && last != nullptr;
  TXMLItem& thread = calling ? last->Add("CallingThread") : callStack.Add(kind == texts[69] ? "ExceptionThread" : "RunningThread");
  thread.Attribute("ID", id).Attribute("Priority", priority).Attribute("Class", threadClass).Attribute("MainThread", main ? "True" : "False");
  return thread;
}

void AddCallStack(TXMLItem& callStack, const Table& table, bool blocks, const TCustomizedTexts& texts) {
  TXMLItem* block = blocks ? nullptr : &callStack.Add("ExceptionThread");
  TXMLItem* topLevel = nullptr;
  for (const std::string& row : table.Rows) {
    if (table.IsCellRow(row)) {
      const std::vector<std::string> cells = table.Cells(row);
      if (cells.size() < kStackColumns) continue;  // not the call stack's table
      if (block == nullptr) block = &callStack.Add("ExceptionThread");
      AddStackLine(*block, cells);
    } else if (blocks) {
      block = &AddThread(callStack, topLevel, row, texts);
      if (block->Name() != "CallingThread") topLevel = block;
    }
  }
}

void AddModules(TXMLItem& modules, const Table& table) {
  static const char* const kNames[] = {"Handle", "Name", "Description", "Version", "Size", "Modified", "Path"};
  for (const std::string& row : table.Rows) {
    if (!table.IsCellRow(row)) continue;
    const std::vector<std::string> cells = table.Cells(row);
    TXMLItem& module = modules.Add("Module");
    for (std::size_t k = 0; k < cells.size() && k < std::size(kNames); ++k) module.Attribute(kNames[k], cells[k]);
  }
}

bool IsDumpRule(std::string_view line) {
  const std::size_t gap = line.find("   ");
  return gap != std::string_view::npos && gap > 0 && IsRule(line.substr(0, gap)) && IsRule(line.substr(gap + 3));
}

// "RAX: 0000000000000001   RBX: 0000000000000002" (or the older "EAX: 00000001   EDI: ...")
// -> the names and values; nothing when the line holds no register.
std::vector<std::pair<std::string, std::string>> RegisterPairs(std::string_view line) {
  std::vector<std::pair<std::string, std::string>> pairs;
  while (!line.empty()) {
    const std::size_t gap = line.find("   ");
    const std::string_view half = line.substr(0, gap);
    line = gap == std::string_view::npos ? std::string_view() : line.substr(gap + 3);
    const std::size_t colon = half.find(": ");
    if (colon == std::string_view::npos) return {};
    const std::string_view name = TrimText(half.substr(0, colon));
    if (name.empty() || name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") != std::string_view::npos)
      return {};
    pairs.emplace_back(name, half.substr(colon + 2));
  }
  return pairs;
}

// The registers are the lines between the part's first rule and the empty line after them;
// every register becomes an attribute of that name, in the order of the report.
void AddCpu(TXMLItem& cpu, const Lines& lines, std::size_t from) {
  std::size_t i = from;
  while (i + 1 < lines.size() && (!IsRule(lines[i]) || RegisterPairs(lines[i + 1]).empty())) ++i;
  if (i + 1 >= lines.size()) return;
  TXMLItem& registers = cpu.Add("Registers");
  for (++i; i < lines.size() && !lines[i].empty(); ++i)
    for (const auto& [name, value] : RegisterPairs(lines[i])) registers.Attribute(name, value);
  TXMLItem& stack = cpu.Add("Stack");
  TXMLItem& dump = cpu.Add("MemoryDump");
  while (i < lines.size() && !IsDumpRule(lines[i])) ++i;
  for (++i; i < lines.size() && !lines[i].empty(); ++i) {
    // "SSSS: VVVV   MMMM:  XX ... XX cccccccccccccccc"
    const std::string_view row = lines[i];
    const std::size_t colon = row.find(": ");
    const std::size_t gap = row.find("   ", colon);
    const std::size_t memoryColon = row.find(": ", gap);
    if (colon == std::string_view::npos || gap == std::string_view::npos || memoryColon == std::string_view::npos) break;
    const std::string_view bytes = row.substr(memoryColon + 2);
    stack.Add("Line").Attribute("Address", row.substr(0, colon)).Attribute("Value", row.substr(colon + 2, gap - colon - 2));
    dump.Add("Line")
        .Attribute("Address", row.substr(gap + 3, memoryColon - gap - 3))
        .Attribute("Bytes", TrimText(bytes.substr(0, 48)))
        .Attribute("Chars", bytes.size() > 49 ? bytes.substr(49) : std::string_view());
  }
}

void AddReport(TXMLItem& doc, const std::string& report, const TCustomizedTexts& texts) {
  const Lines lines = SplitLines(report);
  const std::string version = ReportVersion(report);
  const bool blocks = !(version < "5.0.0");
  TXMLItem& log = doc.Add("Log");
  log.Attribute("Version", version);
  std::size_t i = 1;
  std::string reproduce;
  AddGeneral(log.Add("General"), lines, i, texts[81], reproduce);
  const std::vector<Table> tables = FindTables(lines, i);
  TXMLItem& callStack = log.Add("CallStack");
  if (!tables.empty()) AddCallStack(callStack, tables[0], blocks, texts);
  TXMLItem& modules = log.Add("Modules");
  if (tables.size() > 1) AddModules(modules, tables[1]);
  AddCpu(log.Add("CPU"), lines, i);
  // Reports before 5.0.0 carried the reproduce text in an element of its own.
  if (!blocks) log.Add("HoToReproduce").Attribute("Text", reproduce);
}

}  // namespace

std::string LogToXml(const std::vector<std::string>& reports, const TCustomizedTexts& texts) {
  std::string xml = "<Doc>\r\n";
  for (const std::string& report : reports) {
    // A report that cannot be read (a damaged or edited log) is left out of the export.
    try {
      TXMLItem doc("Doc", 0);
      AddReport(doc, report, texts);
      xml += doc.Items().front()->Render();
    } catch (const std::exception&) {
      continue;
    }
  }
  return xml + "</Doc>";
}

}  // namespace kestrova
