// The INI file class: key order, lookups, integers, the text it keeps and refuses, and failures.
#include "comport/ini_file.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(IniFileTest, KeysStayInWriteOrderAndValuesAreWrittenAsGiven) {
  TempFolder dir;
  TIniFile ini(dir / "a.ini");
  ini.WriteString("ComPort1", "Port", "COM1");
  ini.WriteString("ComPort1", "BaudRate", "9600");
  ini.WriteInteger("ComPort1", "Timeouts.ReadInterval", -1);
  ini.WriteString("ComPort1", "EventChar", "#13");
  ini.WriteString("ComPort1", "Parity.ReplaceChar", ";");
  ini.WriteString("ComPort1", "FlowControl.XonChar", "\"");
  ini.WriteString("ComPort1", "BaudRate", "4800");  // replaced in place
  EXPECT_EQ(FileText(dir / "a.ini"),
            "[ComPort1]\nPort=COM1\nBaudRate=4800\nTimeouts.ReadInterval=-1\nEventChar=#13\n"
            "Parity.ReplaceChar=;\nFlowControl.XonChar=\"\n");

  TIniFile again(dir / "a.ini");
  EXPECT_EQ(again.ReadString("ComPort1", "EventChar", "?"), "#13");
  EXPECT_EQ(again.ReadString("ComPort1", "Parity.ReplaceChar", "?"), ";");
  EXPECT_EQ(again.ReadString("ComPort1", "FlowControl.XonChar", "?"), "\"");
  EXPECT_EQ(again.ReadInteger("ComPort1", "Timeouts.ReadInterval", 0), -1);
}

TEST(IniFileTest, EditsKeepCommentsOtherSectionsAndTheFilesSpelling) {
  TempFolder dir;
  WriteFileText(dir / "b.ini",
                "; settings\r\n[Other]\r\nPort=COM9\r\n\r\n[comport1]\r\n  PORT = COM3  \r\n# note\r\n[Last]\r\nX=1\r\n");
  TIniFile ini(dir / "b.ini");
  EXPECT_EQ(ini.ReadString("COMPORT1", "port", ""), "COM3");  // names ignore case, blanks trimmed
  ini.WriteString("ComPort1", "Port", "COM4");
  ini.WriteString("ComPort1", "BaudRate", "110");
  ini.WriteString("New", "A", "b");
  EXPECT_EQ(FileText(dir / "b.ini"),
            "; settings\n[Other]\nPort=COM9\n\n[comport1]\nPORT=COM4\nBaudRate=110\n# note\n[Last]\nX=1\n\n"
            "[New]\nA=b\n");
}

TEST(IniFileTest, ReadsGiveTheDefaultOnlyForAbsentKeysOrNonIntegers) {
  TempFolder dir;
  WriteFileText(dir / "c.ini", "[S]\nEmpty=\nPlus=+5\nHex=$10\nWord=ten\nBig=2147483648\nMin=-2147483648\n");
  const TIniFile ini(dir / "c.ini");
  EXPECT_EQ(ini.ReadString("S", "Empty", "dflt"), "");
  EXPECT_EQ(ini.ReadString("S", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("T", "Empty", "dflt"), "dflt");
  const struct {
    const char* key;
    std::int32_t expected;
  } integers[] = {{"Plus", 5}, {"Hex", 7}, {"Word", 7}, {"Big", 7}, {"Empty", 7}, {"Missing", 7}, {"Min", INT32_MIN}};
  for (const auto& c : integers) EXPECT_EQ(ini.ReadInteger("S", c.key, 7), c.expected) << c.key;
}

TEST(IniFileTest, MissingFileReadsEmptyAndIsCreatedWithItsFolderOnFirstWrite) {
  TempFolder dir;
  TIniFile ini(dir / "sub/d.ini");
  EXPECT_EQ(ini.ReadString("S", "K", "none"), "none");
  EXPECT_FALSE(std::filesystem::exists(dir / "sub/d.ini"));
  ini.WriteInteger("S", "K", 12);
  EXPECT_EQ(FileText(dir / "sub/d.ini"), "[S]\nK=12\n");
}

TEST(IniFileTest, RefusesWhatALineCannotHoldAndReportsUnreadableOrUnwritableFiles) {
  TempFolder dir;
  TIniFile ini(dir / "e.ini");
  const struct {
    const char *section, *key, *value, *message;
  } refused[] = {
      {"S", "K", "two\nlines", "INI file cannot hold the value of key 'K'"},
      {"S", "A=B", "x", "INI file cannot hold key 'A=B'"},
      {"S", ";K", "x", "INI file cannot hold key ';K'"},
      {"S", "K\r", "x", "INI file cannot hold key 'K\r'"},
      // The section is named when the section is what a line cannot hold, whatever the key.
      {"S]", "K", "x", "INI file cannot hold section 'S]'"},
      {"S\rT", "K", "x", "INI file cannot hold section 'S\rT'"},
      {"S\n", "=", "x", "INI file cannot hold section 'S\n'"},
  };
  for (const auto& r : refused) {
    try {
      ini.WriteString(r.section, r.key, r.value);
      ADD_FAILURE() << "written: " << testing::PrintToString(r.section) << " " << r.key;
    } catch (const EIniFileException& e) {
      EXPECT_EQ(std::string(e.what()), r.message);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "e.ini"));

  std::filesystem::create_directory(dir / "folder.ini");
  EXPECT_THROW(TIniFile{dir / "folder.ini"}, EIniFileException);

  // A regular file where the parent folder should be: no one, not even root, can write there.
  WriteFileText(dir / "blocker", "");
  TIniFile blocked(dir / "blocker/f.ini");
  try {
    blocked.WriteString("S", "K", "v");
    FAIL() << "write succeeded";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + (dir / "blocker/f.ini").string());
  }
}

// Section and key names are stored trimmed, so a name given with blanks around it reads back by
// the same text. The last two rows are inputs a fuzzer found.
TEST(IniFileTest, NamesWithSurroundingBlanksReadBackAsWritten) {
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {{"ComPort1", " Port\t", "COM2"}, {"\xff", "\t\x8a", ""}, {" A", "k", "v"}};
  for (const auto& c : cases) {
    TempFolder dir;
    TIniFile ini(dir / "d.ini");
    ini.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(ini.ReadString(c.section, c.key, "?"), c.value) << c.key;
    EXPECT_EQ(TIniFile(dir / "d.ini").ReadString(c.section, c.key, "?"), c.value) << c.key;
  }
}

}  // namespace
}  // namespace kestrova
