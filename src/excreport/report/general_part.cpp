#include "excreport/report/general_part.h"

#include <cstdio>

#include "excreport/report/exception_message.h"
#include "excreport/report/log_item.h"
#include "excreport/report/report_formats.h"

namespace kestrova {
namespace {

// Adds the items in their fixed order; the bit of each item is its position in that order.
class ItemWriter final {
 public:
  ItemWriter(const TQuillModuleOptions& options) : options_(options) {}

  void Section(int label) { log_.NewSection(options_.Text(label)); }
  void Item(int label, std::string_view value, bool allowed = true) {
    const bool shown = allowed && ((options_.ReportItems() >> bit_) & 1) != 0;
    log_.Add(options_.Text(label), value, shown);
    ++bit_;
  }
  std::string Text() const { return log_.Text(); }

 private:
  const TQuillModuleOptions& options_;
  TLogItem log_;
  int bit_ = 0;
};

std::string DisplayModeText(const std::optional<DisplayMode>& mode) {
  if (!mode) return {};
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d x %d, %d bit", mode->Width, mode->Height, mode->BitsPerPixel);
  return buffer;
}

// One padded address per adapter, joined by " - ".
template <class Field>
std::string PerAdapter(const NetworkInfo& network, Field field) {
  std::string text;
  for (const NetworkAdapter& adapter : network.Adapters) {
    if (!text.empty()) text += " - ";
    text += PadIpAddress(adapter.*field);
  }
  return text;
}

std::string DhcpText(const NetworkInfo& network) {
  std::string text;
  for (const NetworkAdapter& adapter : network.Adapters) text += adapter.Dhcp ? "ON              - " : "OFF             - ";
  return text;
}

std::string DnsServer(const NetworkInfo& network, std::size_t index) {
  return PadIpAddress(index < network.DnsServers.size() ? network.DnsServers[index] : std::string());
}

}  // namespace

std::string ExceptionAddressText(const ExceptionRecordData& exception) {
  if (exception.Address == 0) return {};
  std::string text = FormatHex8(exception.Address);
  if (exception.ModuleOffset && !exception.Module.empty())
    text += " (" + FileNameOf(exception.Module) + "+" + FormatHex8(*exception.ModuleOffset) + ")";
  return text;
}

std::string BuildGeneralPart(const ReportData& data, const TQuillModuleOptions& options) {
  ItemWriter items(options);
  const ApplicationInfo& application = data.Application;
  items.Section(22);
  items.Item(23, FormatReportDate(application.StartTime));
  items.Item(24, application.Name);
  items.Item(25, application.Version);
  items.Item(26, QuoteParameters(application.Parameters));
  items.Item(27, application.CompilationDate ? FormatReportDate(*application.CompilationDate) : std::string());

  const ExceptionRecordData& exception = data.Exception;
  items.Section(28);
  items.Item(29, FormatReportDate(exception.Time));
  items.Item(30, ExceptionAddressText(exception));
  items.Item(31, FileNameOf(exception.Module));
  items.Item(32, ExceptionTypeText(exception));
  items.Item(33, ExceptionMessageText(exception));

  const ActiveControlsInfo& controls = data.ActiveControls;
  items.Section(34);
  items.Item(35, controls.FormClass, data.GuiProgram);
  items.Item(36, controls.FormText, data.GuiProgram);
  items.Item(37, controls.ControlClass, data.GuiProgram);
  items.Item(38, controls.ControlText, data.GuiProgram);

  const ComputerInfo& computer = data.Computer;
  items.Section(39);
  items.Item(40, computer.Name);
  items.Item(41, computer.User);
  items.Item(42, FormatMegabytes(computer.TotalMemory));
  items.Item(43, FormatMegabytes(computer.FreeMemory));
  items.Item(44, FormatGigabytes(computer.TotalDisk));
  items.Item(45, FormatGigabytes(computer.FreeDisk));
  items.Item(46, FormatUpTime(computer.UpTimeMs));
  items.Item(47, computer.Processor);
  items.Item(48, DisplayModeText(computer.Display));

  const OperatingSystemInfo& system = data.System;
  items.Section(49);
  items.Item(50, system.Type);
  items.Item(51, system.Build);
  items.Item(52, TrimText(system.Update));
  items.Item(53, system.Language);

  const NetworkInfo& network = data.Network;
  items.Section(54);
  items.Item(55, PerAdapter(network, &NetworkAdapter::Address));
  items.Item(56, PerAdapter(network, &NetworkAdapter::Mask));
  items.Item(57, PerAdapter(network, &NetworkAdapter::Gateway));
  items.Item(58, DnsServer(network, 0));
  items.Item(59, DnsServer(network, 1));
  items.Item(60, DhcpText(network));
  return items.Text();
}

}  // namespace kestrova
