#include "excreport/report/report_parts.h"

#include <cstdio>
#include <iterator>
#include <vector>

#include "excreport/report/report_formats.h"
#include "excreport/report/text_table.h"

namespace kestrova {
namespace {

constexpr std::size_t kDumpRows = 16;
constexpr std::size_t kStackWord = 8;
constexpr std::size_t kStackBytes = kStackWord * kDumpRows;
constexpr std::size_t kMemoryBytes = 16 * kDumpRows;
constexpr int kAddressDigits = 12;
constexpr int kValueDigits = 16;
// The widest register name ("RAX", "R10"); shorter ones ("R8") are padded to it.
constexpr std::size_t kRegisterNameWidth = 3;

std::string Hex(std::uint64_t value, int digits) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%0*llX", digits, static_cast<unsigned long long>(value));
  return buffer;
}

std::string RegisterText(const RegisterColumn& column, const RegisterContext& registers) {
  std::string name = column.Name;
  name.resize(kRegisterNameWidth, ' ');
  return name + ": " + Hex(registers.*column.Value, kValueDigits);
}

}  // namespace

std::string ThreadBanner(const ThreadStack& thread, std::uint32_t exceptionThreadId, const TQuillModuleOptions& options) {
  const int kind = thread.Calling ? 71 : thread.Id == exceptionThreadId ? 69 : 70;
  std::string text = options.Text(kind) + ": " + options.Text(72) + "=" + std::to_string(thread.Id) + "; " +
                     options.Text(73) + "=" + std::to_string(thread.Priority) + "; " + options.Text(74) + "=" +
                     thread.Class;
  if (thread.Main) text += "; " + options.Text(68);
  return text;
}

std::string StackLineText(const StackEntry& entry) {
  if (entry.Line == 0) return {};
  std::string text = std::to_string(entry.Line);
  if (entry.Offset != 0) text += "[" + std::to_string(entry.Offset) + "]";
  return text;
}

std::vector<const ThreadStack*> CallStackBlockOrder(const std::vector<ThreadStack>& threads, std::uint32_t exceptionThreadId) {
  std::vector<const ThreadStack*> first;
  std::vector<const ThreadStack*> rest;
  std::vector<const ThreadStack*>* target = &rest;
  for (const ThreadStack& thread : threads) {
    if (!thread.Calling) target = (thread.Id == exceptionThreadId && first.empty()) ? &first : &rest;
    target->push_back(&thread);
  }
  first.insert(first.end(), rest.begin(), rest.end());
  return first;
}

std::string BuildCallStackPart(const ReportData& data, const TQuillModuleOptions& options) {
  TextTable table({options.Text(62), options.Text(63), options.Text(64), options.Text(65), options.Text(66), options.Text(67)});
  const bool withProcedures = (options.StackFlags() & 0x10) == 0;
  for (const ThreadStack* thread : CallStackBlockOrder(data.Threads, data.Exception.ThreadId)) {
    table.AddBanner(ThreadBanner(*thread, data.Exception.ThreadId, options));
    for (const StackEntry& entry : thread->Entries) {
      if (!entry.Visible()) continue;
      table.AddRow({FormatHex8(entry.Address), FileNameOf(entry.Module), entry.Unit, entry.Class,
                    withProcedures ? entry.Procedure : std::string(), StackLineText(entry)});
    }
  }
  return PartTitle(options.Text(7)) + table.Render();
}

std::string BuildModulesPart(const ReportData& data, const TQuillModuleOptions& options) {
  TextTable table({options.Text(84), options.Text(85), options.Text(86), options.Text(87), options.Text(88),
                   options.Text(89), options.Text(90)});
  for (const ReportModule& module : data.Modules) {
    table.AddRow({FormatHex8(module.Handle), module.Name, module.Description, module.Version,
                  std::to_string(module.Size), FormatReportDate(module.Modified), module.Path});
  }
  return PartTitle(options.Text(9)) + table.Render();
}

std::string BuildCpuPart(const ReportData& data, const TQuillModuleOptions& options) {
  const RegisterContext& r = data.Registers;
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < std::size(kRegisterColumns); i += 2) {
    std::string row = RegisterText(kRegisterColumns[i], r);
    if (i + 1 < std::size(kRegisterColumns)) row += "   " + RegisterText(kRegisterColumns[i + 1], r);
    rows.push_back(std::move(row));
  }
  std::string text = options.Text(91) + ":\r\n" + std::string(rows.front().size(), '-') + "\r\n";
  for (const std::string& row : rows) text += row + "\r\n";

  // "AAAAAAAAAAAA: VVVVVVVVVVVVVVVV" then three spaces, then "MMMMMMMMMMMM:  XX .. XX chars".
  const std::size_t stackColumn = kAddressDigits + 2 + kValueDigits;
  const std::size_t memoryColumn = kAddressDigits + 2 + 3 * 16 + 1 + 16;
  std::string stackTitle = options.Text(92);
  if (stackTitle.size() < stackColumn + 3) stackTitle.resize(stackColumn + 3, ' ');
  text += "\r\n" + stackTitle + options.Text(93) + ":\r\n" + std::string(stackColumn, '-') + "   " +
          std::string(memoryColumn, '-') + "\r\n";
  if (data.StackBytes.size() < kStackBytes || data.MemoryBytes.size() < kMemoryBytes) return text;
  for (std::size_t row = 0; row < kDumpRows; ++row) {
    std::uint64_t value = 0;
    for (std::size_t i = kStackWord; i-- > 0;) value = value << 8 | data.StackBytes[row * kStackWord + i];
    text += Hex(r.Rsp + row * kStackWord, kAddressDigits) + ": " + Hex(value, kValueDigits) + "   " +
            Hex(data.Exception.Address + row * 16, kAddressDigits) + ": ";
    std::string chars;
    for (std::size_t i = 0; i < 16; ++i) {
      const std::uint8_t byte = data.MemoryBytes[row * 16 + i];
      text += " " + Hex(byte, 2);
      chars += (byte < 32 || byte > 126) ? '.' : static_cast<char>(byte);
    }
    text += " " + chars + "\r\n";
  }
  return text;
}

}  // namespace kestrova
