#include "excreport/report_parts.h"

#include <cstdio>

#include "excreport/report_formats.h"
#include "excreport/text_table.h"

namespace kestrova {
namespace {

constexpr std::size_t kDumpRows = 16;
constexpr std::size_t kStackBytes = 4 * kDumpRows;
constexpr std::size_t kMemoryBytes = 16 * kDumpRows;
// Where the memory dump's column starts in a dump row ("SSSSSSSS: VVVVVVVV   ").
constexpr std::size_t kMemoryColumn = 21;

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
  const auto pair = [](const char* left, std::uint64_t a, const char* right, std::uint64_t b) {
    return std::string(left) + ": " + FormatHex8(a) + "   " + right + ": " + FormatHex8(b) + "\r\n";
  };
  std::string stackTitle = options.Text(92);
  if (stackTitle.size() < kMemoryColumn) stackTitle.resize(kMemoryColumn, ' ');
  std::string text = options.Text(91) + ":\r\n-----------------------------\r\n" + pair("EAX", r.Eax, "EDI", r.Edi) +
                     pair("EBX", r.Ebx, "ESI", r.Esi) + pair("ECX", r.Ecx, "ESP", r.Esp) + pair("EDX", r.Edx, "EIP", r.Eip) +
                     "\r\n" + stackTitle + options.Text(93) +
                     ":\r\n------------------   ---------------------------------------------------------------------------\r\n";
  if (data.StackBytes.size() < kStackBytes || data.MemoryBytes.size() < kMemoryBytes) return text;
  for (std::size_t row = 0; row < kDumpRows; ++row) {
    const std::uint8_t* stack = &data.StackBytes[row * 4];
    const std::uint32_t value = stack[0] | stack[1] << 8 | stack[2] << 16 | static_cast<std::uint32_t>(stack[3]) << 24;
    text += FormatHex8(r.Esp + row * 4) + ": " + FormatHex8(value) + "   " +
            FormatHex8(data.Exception.Address + row * 16) + ": ";
    std::string chars;
    for (std::size_t i = 0; i < 16; ++i) {
      const std::uint8_t byte = data.MemoryBytes[row * 16 + i];
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02X", byte);
      text += hex;
      chars += (byte < 32 || byte > 126) ? '.' : static_cast<char>(byte);
    }
    text += " " + chars + "\r\n";
  }
  return text;
}

}  // namespace kestrova
