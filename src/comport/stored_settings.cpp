#include "comport/stored_settings.h"

#include "comport/custom_com_port.h"
#include "comport/settings_text.h"

#include <array>

namespace kestrova {
namespace {

using enum TSettingGroup;
using Port = TCustomComPort;

// One stored key: text keys use getText/setText, integer keys getInteger/setInteger.
struct StoredKey {
  TSettingGroup group;
  const char* name;
  std::string (*getText)(const Port&) = nullptr;
  void (*setText)(Port&, const std::string&) = nullptr;
  std::int32_t (*getInteger)(const Port&) = nullptr;
  void (*setInteger)(Port&, std::int32_t) = nullptr;
  bool customRateOnly = false;  // "CustomBaudRate": present only while BaudRate is brCustom
};

bool UsesCustomRate(const Port& p) { return p.BaudRate() == TBaudRate::brCustom; }

// In stored order: the groups basic, misc, parity, buffer, timeouts, flow control, each with
// its keys in a fixed order of its own.
const std::array<StoredKey, 29> kStoredKeys = {{
    {sgBasic, "Port", [](const Port& p) { return p.Port(); },
     [](Port& p, const std::string& t) { p.SetPort(t); }},
    {sgBasic, "BaudRate", [](const Port& p) { return BaudRateToText(p.BaudRate()); },
     [](Port& p, const std::string& t) { p.SetBaudRate(TextToBaudRate(t)); }},
    {sgBasic, "CustomBaudRate", nullptr, nullptr, [](const Port& p) { return p.CustomBaudRate(); },
     [](Port& p, std::int32_t v) { p.SetCustomBaudRate(v); }, true},
    {sgBasic, "StopBits", [](const Port& p) { return StopBitsToText(p.StopBits()); },
     [](Port& p, const std::string& t) { p.SetStopBits(TextToStopBits(t)); }},
    {sgBasic, "DataBits", [](const Port& p) { return DataBitsToText(p.DataBits()); },
     [](Port& p, const std::string& t) { p.SetDataBits(TextToDataBits(t)); }},
    {sgBasic, "Parity", [](const Port& p) { return ParityBitsToText(p.Parity().Bits()); },
     [](Port& p, const std::string& t) { p.Parity().SetBits(TextToParityBits(t)); }},
    {sgBasic, "FlowControl", [](const Port& p) { return FlowControlToText(p.FlowControl().FlowControl()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetFlowControl(TextToFlowControl(t)); }},
    {sgMisc, "EventChar", [](const Port& p) { return CharToSettingText(p.EventChar()); },
     [](Port& p, const std::string& t) { p.SetEventChar(SettingTextToChar(t)); }},
    {sgMisc, "DiscardNull", [](const Port& p) { return BoolToYesNo(p.DiscardNull()); },
     [](Port& p, const std::string& t) { p.SetDiscardNull(YesNoToBool(t)); }},
    {sgParity, "Parity.Check", [](const Port& p) { return BoolToYesNo(p.Parity().Check()); },
     [](Port& p, const std::string& t) { p.Parity().SetCheck(YesNoToBool(t)); }},
    {sgParity, "Parity.Replace", [](const Port& p) { return BoolToYesNo(p.Parity().Replace()); },
     [](Port& p, const std::string& t) { p.Parity().SetReplace(YesNoToBool(t)); }},
    {sgParity, "Parity.ReplaceChar", [](const Port& p) { return CharToSettingText(p.Parity().ReplaceChar()); },
     [](Port& p, const std::string& t) { p.Parity().SetReplaceChar(SettingTextToChar(t)); }},
    {sgBuffer, "Buffer.OutputSize", nullptr, nullptr, [](const Port& p) { return p.Buffer().OutputSize(); },
     [](Port& p, std::int32_t v) { p.Buffer().SetOutputSize(v); }},
    {sgBuffer, "Buffer.InputSize", nullptr, nullptr, [](const Port& p) { return p.Buffer().InputSize(); },
     [](Port& p, std::int32_t v) { p.Buffer().SetInputSize(v); }},
    {sgTimeouts, "Timeouts.ReadInterval", nullptr, nullptr, [](const Port& p) { return p.Timeouts().ReadInterval(); },
     [](Port& p, std::int32_t v) { p.Timeouts().SetReadInterval(v); }},
    {sgTimeouts, "Timeouts.ReadTotalConstant", nullptr, nullptr,
     [](const Port& p) { return p.Timeouts().ReadTotalConstant(); },
     [](Port& p, std::int32_t v) { p.Timeouts().SetReadTotalConstant(v); }},
    {sgTimeouts, "Timeouts.ReadTotalMultiplier", nullptr, nullptr,
     [](const Port& p) { return p.Timeouts().ReadTotalMultiplier(); },
     [](Port& p, std::int32_t v) { p.Timeouts().SetReadTotalMultiplier(v); }},
    {sgTimeouts, "Timeouts.WriteTotalConstant", nullptr, nullptr,
     [](const Port& p) { return p.Timeouts().WriteTotalConstant(); },
     [](Port& p, std::int32_t v) { p.Timeouts().SetWriteTotalConstant(v); }},
    {sgTimeouts, "Timeouts.WriteTotalMultiplier", nullptr, nullptr,
     [](const Port& p) { return p.Timeouts().WriteTotalMultiplier(); },
     [](Port& p, std::int32_t v) { p.Timeouts().SetWriteTotalMultiplier(v); }},
    {sgFlowControl, "FlowControl.ControlRTS",
     [](const Port& p) { return RTSFlowControlToText(p.FlowControl().ControlRTS()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetControlRTS(TextToRTSFlowControl(t)); }},
    {sgFlowControl, "FlowControl.ControlDTR",
     [](const Port& p) { return DTRFlowControlToText(p.FlowControl().ControlDTR()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetControlDTR(TextToDTRFlowControl(t)); }},
    {sgFlowControl, "FlowControl.DSRSensitivity",
     [](const Port& p) { return BoolToYesNo(p.FlowControl().DSRSensitivity()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetDSRSensitivity(YesNoToBool(t)); }},
    {sgFlowControl, "FlowControl.OutCTSFlow", [](const Port& p) { return BoolToYesNo(p.FlowControl().OutCTSFlow()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetOutCTSFlow(YesNoToBool(t)); }},
    {sgFlowControl, "FlowControl.OutDSRFlow", [](const Port& p) { return BoolToYesNo(p.FlowControl().OutDSRFlow()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetOutDSRFlow(YesNoToBool(t)); }},
    {sgFlowControl, "FlowControl.TxContinueOnXoff",
     [](const Port& p) { return BoolToYesNo(p.FlowControl().TxContinueOnXoff()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetTxContinueOnXoff(YesNoToBool(t)); }},
    {sgFlowControl, "FlowControl.XonXoffIn", [](const Port& p) { return BoolToYesNo(p.FlowControl().XonXoffIn()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetXonXoffIn(YesNoToBool(t)); }},
    {sgFlowControl, "FlowControl.XonXoffOut", [](const Port& p) { return BoolToYesNo(p.FlowControl().XonXoffOut()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetXonXoffOut(YesNoToBool(t)); }},
    {sgFlowControl, "FlowControl.XoffChar", [](const Port& p) { return CharToSettingText(p.FlowControl().XoffChar()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetXoffChar(SettingTextToChar(t)); }},
    {sgFlowControl, "FlowControl.XonChar", [](const Port& p) { return CharToSettingText(p.FlowControl().XonChar()); },
     [](Port& p, const std::string& t) { p.FlowControl().SetXonChar(SettingTextToChar(t)); }},
}};

// The custom rate a port gets from a storage that has no such key.
constexpr std::int32_t kAbsentCustomBaudRate = 9600;

// Whether key takes part in this pass; "CustomBaudRate" asks the port as it stands now.
bool Selected(const Port& port, const StoredKey& key) {
  return port.StoredGroups().Contains(key.group) && (!key.customRateOnly || UsesCustomRate(port));
}

}  // namespace

void WriteStoredSettings(const TCustomComPort& port, SettingsStorage& storage) {
  for (const StoredKey& key : kStoredKeys) {
    if (!Selected(port, key)) continue;
    if (key.getText != nullptr) {
      storage.WriteText(key.name, key.getText(port));
    } else {
      storage.WriteInteger(key.name, key.getInteger(port));
    }
  }
}

void ReadStoredSettings(TCustomComPort& port, SettingsStorage& storage) {
  for (const StoredKey& key : kStoredKeys) {
    if (!Selected(port, key)) continue;
    if (key.getText != nullptr) {
      key.setText(port, storage.ReadText(key.name, key.getText(port)));
    } else {
      const std::int32_t absent = key.customRateOnly ? kAbsentCustomBaudRate : key.getInteger(port);
      key.setInteger(port, storage.ReadInteger(key.name, absent));
    }
  }
}

}  // namespace kestrova
