#include "comport/settings_text.h"

#include "comport/integer_text.h"

#include <cstdint>

namespace kestrova {
namespace {

// ASCII-only: the letters a..z become A..Z, every other byte stays, whatever the locale.
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

template <typename Enum, std::size_t N>
std::string EntryOf(const std::array<std::string_view, N>& table, Enum value) {
  return std::string(table.at(static_cast<std::size_t>(value)));
}

template <typename Enum, std::size_t N>
Enum SearchTable(const std::array<std::string_view, N>& table, std::string_view text, Enum fallback) {
  for (std::size_t i = 0; i < N; ++i) {
    if (EqualIgnoringAsciiCase(table[i], text)) return static_cast<Enum>(i);
  }
  return fallback;
}

}  // namespace

std::string BaudRateToText(TBaudRate Value) { return EntryOf(BaudRateTexts, Value); }
std::string StopBitsToText(TStopBits Value) { return EntryOf(StopBitsTexts, Value); }
std::string DataBitsToText(TDataBits Value) { return EntryOf(DataBitsTexts, Value); }
std::string ParityBitsToText(TParityBits Value) { return EntryOf(ParityBitsTexts, Value); }
std::string FlowControlToText(TFlowControl Value) { return EntryOf(FlowControlTexts, Value); }
std::string DTRFlowControlToText(TDTRFlowControl Value) { return EntryOf(DTRFlowControlTexts, Value); }
std::string RTSFlowControlToText(TRTSFlowControl Value) { return EntryOf(RTSFlowControlTexts, Value); }

TBaudRate TextToBaudRate(std::string_view Text) {
  return SearchTable(BaudRateTexts, Text, TBaudRate::br9600);
}
TStopBits TextToStopBits(std::string_view Text) {
  return SearchTable(StopBitsTexts, Text, TStopBits::sbOneStopBit);
}
TDataBits TextToDataBits(std::string_view Text) {
  return SearchTable(DataBitsTexts, Text, TDataBits::dbEight);
}
TParityBits TextToParityBits(std::string_view Text) {
  return SearchTable(ParityBitsTexts, Text, TParityBits::prNone);
}
TFlowControl TextToFlowControl(std::string_view Text) {
  return SearchTable(FlowControlTexts, Text, TFlowControl::fcCustom);
}
TDTRFlowControl TextToDTRFlowControl(std::string_view Text) {
  return SearchTable(DTRFlowControlTexts, Text, TDTRFlowControl::dtrDisable);
}
TRTSFlowControl TextToRTSFlowControl(std::string_view Text) {
  return SearchTable(RTSFlowControlTexts, Text, TRTSFlowControl::rtsDisable);
}

std::string BoolToYesNo(bool Value) { return Value ? "Yes" : "No"; }

bool YesNoToBool(std::string_view Text) { return EqualIgnoringAsciiCase(Text, "YES"); }

std::string CharToSettingText(char Value) {
  const int code = static_cast<unsigned char>(Value);
  if (code >= 33 && code <= 127) return std::string(1, Value);
  return "#" + std::to_string(code);
}

char SettingTextToChar(std::string_view Text) {
  if (Text.empty()) return '\0';
  if (Text[0] == '#' && Text.size() >= 2) {
    std::optional<std::int32_t> number = ParseInt32(Text.substr(1));
    return number ? static_cast<char>(static_cast<std::uint8_t>(*number & 0xFF)) : '\0';
  }
  return Text[0];
}

}  // namespace kestrova
