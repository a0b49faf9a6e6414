// Fixed text forms of the port settings, and the conversions in both directions.
//
// The texts are what settings persistence stores and what the setup dialog's selectors list.
// Pure functions over constant tables: no state, no exceptions, callable from any thread.
// A text that names no member gives the fallback of its table; each table is indexed by the
// ordinal of its enumeration, so the order of entries is the order of the members.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "comport/com_types.h"

namespace kestrova {

inline constexpr std::array<std::string_view, 16> BaudRateTexts = {
    "Custom", "110",   "300",   "600",   "1200",   "2400",   "4800",   "9600",
    "14400",  "19200", "38400", "56000", "57600",  "115200", "128000", "256000"};
inline constexpr std::array<std::string_view, 3> StopBitsTexts = {"1", "1.5", "2"};
inline constexpr std::array<std::string_view, 4> DataBitsTexts = {"5", "6", "7", "8"};
inline constexpr std::array<std::string_view, 5> ParityBitsTexts = {"None", "Odd", "Even", "Mark",
                                                                    "Space"};
inline constexpr std::array<std::string_view, 4> FlowControlTexts = {"Hardware", "Software", "None",
                                                                     "Custom"};
inline constexpr std::array<std::string_view, 3> DTRFlowControlTexts = {"Disable", "Enable",
                                                                        "Handshake"};
inline constexpr std::array<std::string_view, 4> RTSFlowControlTexts = {"Disable", "Enable",
                                                                        "Handshake", "Toggle"};

// Value to text: the table entry of the member's ordinal.
std::string BaudRateToText(TBaudRate Value);
std::string StopBitsToText(TStopBits Value);
std::string DataBitsToText(TDataBits Value);
std::string ParityBitsToText(TParityBits Value);
std::string FlowControlToText(TFlowControl Value);
std::string DTRFlowControlToText(TDTRFlowControl Value);
std::string RTSFlowControlToText(TRTSFlowControl Value);

// Text to value: the first entry equal to Text ignoring ASCII letter case (no trimming), else
// the fallback: br9600, sbOneStopBit, dbEight, prNone, fcCustom, dtrDisable, rtsDisable.
TBaudRate TextToBaudRate(std::string_view Text);
TStopBits TextToStopBits(std::string_view Text);
TDataBits TextToDataBits(std::string_view Text);
TParityBits TextToParityBits(std::string_view Text);
TFlowControl TextToFlowControl(std::string_view Text);
TDTRFlowControl TextToDTRFlowControl(std::string_view Text);
TRTSFlowControl TextToRTSFlowControl(std::string_view Text);

// "Yes" / "No"; only "YES" in any ASCII letter case reads back as true.
std::string BoolToYesNo(bool Value);
bool YesNoToBool(std::string_view Text);

// A character (one byte, codes 0..255) is written as itself when its code is 33..127, else as
// "#" and its decimal code. Reading accepts "#" and an integer as ParseInt32 reads it, of which
// the low 8 bits are the code; a malformed number gives code 0, an empty text code 0, any other
// text its first character.
std::string CharToSettingText(char Value);
char SettingTextToChar(std::string_view Text);

}  // namespace kestrova
