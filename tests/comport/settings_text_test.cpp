#include "comport/settings_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace kestrova {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Every member's text in ordinal order, as the stored settings and the selectors spell them.
template <typename Enum>
struct TableCase {
  std::vector<std::string> texts;
  std::string (*toText)(Enum);
  Enum (*toValue)(std::string_view);
  Enum fallback;
  std::vector<std::string> unknown;  // texts that must give the fallback
};

template <typename Enum>
void CheckTable(const TableCase<Enum>& c) {
  for (std::size_t i = 0; i < c.texts.size(); ++i) {
    const Enum member = static_cast<Enum>(i);
    const std::string& text = c.texts[i];
    EXPECT_EQ(c.toText(member), text) << "ordinal " << i;
    for (const std::string& spelling : {text, Lower(text), Upper(text)}) {
      EXPECT_EQ(c.toValue(spelling), member) << '"' << spelling << '"';
    }
  }
  for (const std::string& text : c.unknown) {
    EXPECT_EQ(c.toValue(text), c.fallback) << '"' << text << '"';
  }
}

TEST(SettingsTextTest, BaudRateTable) {
  CheckTable<TBaudRate>({{"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400",
                          "19200", "38400", "56000", "57600", "115200", "128000", "256000"},
                         BaudRateToText, TextToBaudRate, TBaudRate::br9600,
                         {"", "9600 ", " 9600", "9,600", "CUSTOM ", "230400", "Cust"}});
  EXPECT_EQ(TextToBaudRate("cUsToM"), TBaudRate::brCustom);
}

TEST(SettingsTextTest, StopBitsTable) {
  CheckTable<TStopBits>({{"1", "1.5", "2"}, StopBitsToText, TextToStopBits,
                         TStopBits::sbOneStopBit, {"", "1,5", "1.50", "3", "2 "}});
}

TEST(SettingsTextTest, DataBitsTable) {
  CheckTable<TDataBits>({{"5", "6", "7", "8"}, DataBitsToText, TextToDataBits, TDataBits::dbEight,
                         {"", "9", "4", " 5", "05"}});
}

TEST(SettingsTextTest, ParityBitsTable) {
  CheckTable<TParityBits>({{"None", "Odd", "Even", "Mark", "Space"}, ParityBitsToText,
                           TextToParityBits, TParityBits::prNone,
                           {"", "Parity", "Spaces", "Od"}});
  EXPECT_EQ(TextToParityBits("sPACE"), TParityBits::prSpace);
}

TEST(SettingsTextTest, FlowControlTable) {
  CheckTable<TFlowControl>({{"Hardware", "Software", "None", "Custom"}, FlowControlToText,
                            TextToFlowControl, TFlowControl::fcCustom,
                            {"", "Xon", "RTS/CTS", "None "}});
}

TEST(SettingsTextTest, DTRFlowControlTable) {
  CheckTable<TDTRFlowControl>({{"Disable", "Enable", "Handshake"}, DTRFlowControlToText,
                               TextToDTRFlowControl, TDTRFlowControl::dtrDisable,
                               {"", "Toggle", "toggle", "Enabled"}});
}

TEST(SettingsTextTest, RTSFlowControlTable) {
  CheckTable<TRTSFlowControl>({{"Disable", "Enable", "Handshake", "Toggle"}, RTSFlowControlToText,
                               TextToRTSFlowControl, TRTSFlowControl::rtsDisable,
                               {"", "Toggled", "Hand shake"}});
}

// The upper-casing is ASCII-only: a byte above 127 is never folded onto a letter.
TEST(SettingsTextTest, CaseFoldingIsAsciiOnly) {
  EXPECT_EQ(TextToParityBits("\xC3\xB6" "dd"), TParityBits::prNone);
  EXPECT_EQ(TextToFlowControl("N\xD0\x9E" "NE"), TFlowControl::fcCustom);
  EXPECT_FALSE(YesNoToBool("Y\xC9S"));
}

TEST(SettingsTextTest, YesNo) {
  EXPECT_EQ(BoolToYesNo(true), "Yes");
  EXPECT_EQ(BoolToYesNo(false), "No");
  for (const char* text : {"Yes", "yEs", "YES", "yes"}) EXPECT_TRUE(YesNoToBool(text)) << text;
  for (const char* text : {"No", "no", "True", "1", "Y", "YES ", " Yes", "", "Yess"}) {
    EXPECT_FALSE(YesNoToBool(text)) << '"' << text << '"';
  }
}

TEST(SettingsTextTest, CharToSettingText) {
  struct Case {
    int code;
    std::string text;
  } cases[] = {
      {0, "#0"},     {17, "#17"},   {19, "#19"},   {32, "#32"}, {33, "!"},
      {65, "A"},     {127, "\x7F"}, {128, "#128"}, {200, "#200"}, {255, "#255"},
      {'#', "#"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CharToSettingText(static_cast<char>(c.code)), c.text) << "code " << c.code;
  }
}

TEST(SettingsTextTest, SettingTextToChar) {
  struct Case {
    std::string text;
    int code;
  } cases[] = {
      {"", 0},         {"#", '#'},          {"A", 'A'},        {"AB", 'A'},
      {"17", '1'},     {"#17", 17},         {"#$11", 17},      {"#x11", 17},
      {"#X11", 17},    {"#0x41", 'A'},      {"#0X41", 'A'},    {"#$fF", 255},
      {"#256", 0},     {"#300", 44},        {"#-1", 255},      {"#+65", 'A'},
      {"#  65", 'A'},  {"#-$1", 255},       {"#017", 17},      {"#abc", 0},
      {"#65 ", 0},     {"#6 5", 0},         {"#$", 0},         {"#0x", 0},
      {"#-", 0},       {"#1.5", 0},         {"#$G", 0},        {"#12a", 0},
      {"#2147483647", 255},                 {"#-2147483648", 0},
      {"#2147483648", 0},                   {"#99999999999999999999", 0},
      {"#$7FFFFFFF", 255},                  {std::string("\0x", 2), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<unsigned char>(SettingTextToChar(c.text)), c.code) << '"' << c.text << '"';
  }
  // An out-of-range number fails as a whole rather than wrapping into the low byte.
  EXPECT_EQ(SettingTextToChar("#4294967361"), '\0');
}

TEST(SettingsTextTest, EveryCharacterRoundTrips) {
  for (int code = 0; code < 256; ++code) {
    const char c = static_cast<char>(code);
    const std::string text = CharToSettingText(c);
    EXPECT_EQ(SettingTextToChar(text), c) << "code " << code << " as \"" << text << '"';
  }
}

}  // namespace
}  // namespace kestrova
