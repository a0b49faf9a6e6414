// The setting files and texts the port component reads back: INI files (write and reread), the
// registry file, the port map, the settings' text forms and port names.
//
// Input: a selector byte, then the text; the INI and registry cases take a section or key path,
// a name and a value from the input first.
#include <fuzzer/FuzzedDataProvider.h>

#include <stdexcept>
#include <string>

#include "comport/device/port_map.h"
#include "comport/device/virtual_port_devices.h"
#include "comport/ini_document.h"
#include "comport/port_name.h"
#include "comport/registry_hive.h"
#include "comport/settings_text.h"
#include "fuzz_check.h"

namespace kestrova {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// A value the document accepts reads back, trimmed, from the document and from its text.
void FuzzIniRoundTrip(FuzzedDataProvider& input) {
  const std::string section = input.ConsumeRandomLengthString(24);
  const std::string key = input.ConsumeRandomLengthString(24);
  const std::string value = input.ConsumeRandomLengthString(40);
  IniDocument document = IniDocument::Parse(input.ConsumeRemainingBytesAsString());
  try {
    document.SetValue(section, key, value);
  } catch (const std::invalid_argument&) {
    return;
  }
  const std::string expected(TrimBlanks(value));
  FuzzCheck(document.Value(section, key) == expected, "INI value reads back after SetValue");
  FuzzCheck(IniDocument::Parse(document.Text()).Value(section, key) == expected,
            "INI value reads back from the written text");
}

// A registry file that reads writes back to text that reads to the same text; a value set in
// it reads back from that text with its type.
void FuzzRegistryFile(FuzzedDataProvider& input) {
  const std::string path = input.ConsumeRandomLengthString(24);
  const std::string name = input.ConsumeRandomLengthString(16);
  RegistryValue value;
  value.type = input.ConsumeBool() ? RegistryValue::Type::Integer : RegistryValue::Type::Text;
  value.integer = input.ConsumeIntegral<std::uint32_t>();
  if (value.type == RegistryValue::Type::Text) value.text = input.ConsumeRandomLengthString(40);
  std::optional<RegistryHive> hive = RegistryHive::Parse(input.ConsumeRemainingBytesAsString());
  if (!hive) return;
  const std::string text = hive->Text();
  const std::optional<RegistryHive> reread = RegistryHive::Parse(text);
  FuzzCheck(reread && reread->Text() == text, "registry text reads back to itself");
  const std::optional<std::string> key = RegistryHive::NormalizeKeyPath(path);
  if (!key) return;
  hive->SetValue(*key, name, value);
  const std::optional<RegistryHive> withValue = RegistryHive::Parse(hive->Text());
  FuzzCheck(withValue.has_value(), "registry text with a new value reads back");
  const RegistryValue* stored = withValue->Value(*key, name);
  FuzzCheck(stored != nullptr && stored->type == value.type, "registry value keeps its type");
  FuzzCheck(value.type == RegistryValue::Type::Integer ? stored->integer == value.integer
                                                       : stored->text == value.text,
            "registry value reads back");
}

void FuzzPortMap(FuzzedDataProvider& input) {
  const PortMap map = PortMap::Parse(input.ConsumeRemainingBytesAsString());
  for (const auto& [name, path] : map.Entries()) {
    FuzzCheck(ComPortNumber(name) != 0, "the port map holds COM1 to COM16 only");
    // A "virtual" line opens the component end of its virtual port, none while none serves it.
    FuzzCheck(map.DevicePath(name) == (path == kVirtualPortValue ? VirtualPortDevice(name) : path),
              "a mapped name opens its mapped path");
  }
}

void FuzzSettingTexts(FuzzedDataProvider& input) {
  const char c = input.ConsumeIntegral<char>();
  FuzzCheck(SettingTextToChar(CharToSettingText(c)) == c, "a character's setting text reads back");
  const std::string text = input.ConsumeRemainingBytesAsString();
  BaudRateToText(TextToBaudRate(text));
  StopBitsToText(TextToStopBits(text));
  DataBitsToText(TextToDataBits(text));
  ParityBitsToText(TextToParityBits(text));
  FlowControlToText(TextToFlowControl(text));
  DTRFlowControlToText(TextToDTRFlowControl(text));
  RTSFlowControlToText(TextToRTSFlowControl(text));
  YesNoToBool(text);
  SettingTextToChar(text);
  FuzzCheck(ComPortNumber(NormalizePortName(text)) != 0, "every port name becomes COM1 to COM16");
}

}  // namespace
}  // namespace kestrova

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrova;
  FuzzedDataProvider input(data, size);
  RunOneOf(input, {FuzzIniRoundTrip, FuzzRegistryFile, FuzzPortMap, FuzzSettingTexts});
  return 0;
}
