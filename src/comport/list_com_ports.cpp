#include "comport/list_com_ports.h"

#include <optional>
#include <string_view>

#include "comport/com_error.h"
#include "comport/port_name_source_linux.h"

namespace kestrova {
namespace {

// "COM" and the digits after it. Keeping every digit, not a fixed four characters, keeps
// COM10..COM16 apart from COM1.
std::optional<QString> ListedName(std::string_view name) {
  constexpr std::string_view prefix = "COM";
  if (!name.starts_with(prefix)) return std::nullopt;
  std::size_t end = prefix.size();
  while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(end));
}

}  // namespace

void ListComPorts(QStringList& Ports) { ListComPorts(Ports, PortNameSourceLinux()); }

void ListComPorts(QStringList& Ports, const PortNameSource& Source) {
  const PortNameResult result = Source.ListPortNames();
  if (!result.Succeeded) throw EComPort(errEnumPortsFailed, result.SystemError);
  for (const std::string& name : result.Names) {
    if (std::optional<QString> listed = ListedName(name)) Ports.append(*listed);
  }
}

}  // namespace kestrova
