// The registry stand-in: keys, typed values, its file form, and the failures its messages name.
#include "comport/registry.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <functional>

namespace kestrova {
namespace {

// The message of the ERegistryException that call raises, or "" when it raises none.
std::string RegistryError(const std::function<void()>& call) {
  try {
    call();
  } catch (const ERegistryException& e) {
    return e.what();
  }
  return "";
}

TEST(RegistryTest, ValuesKeepTheirTypeAndTextAcrossTheFile) {
  TempFolder dir;
  const std::string odd = std::string("a\"b\\c\nd\te\x01\x7f\xe9", 12);
  {
    TRegistry reg(dir / "r.reg");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Kestrova\\ComPort1\\", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Kestrova\\ComPort1");
    reg.WriteString("Port", "COM1");
    reg.WriteInteger("CustomBaudRate", 9600);
    reg.WriteInteger("Timeouts.ReadInterval", -1);
    reg.WriteString("Odd", odd);
  }
  EXPECT_EQ(FileText(dir / "r.reg"),
            "[Software\\Kestrova\\ComPort1]\n"
            "\"Port\"=sz:\"COM1\"\n"
            "\"CustomBaudRate\"=dword:00002580\n"
            "\"Timeouts.ReadInterval\"=dword:ffffffff\n"
            "\"Odd\"=sz:\"a\\\"b\\\\c\\nd\\te\\x01\\x7f\xe9\"\n");

  TRegistry reg(dir / "r.reg");
  ASSERT_TRUE(reg.OpenKey("software\\KESTROVA\\comport1", false));  // names ignore letter case
  EXPECT_EQ(reg.ReadString("PORT"), "COM1");
  EXPECT_EQ(reg.ReadInteger("CustomBaudRate"), 9600);
  EXPECT_EQ(reg.ReadInteger("Timeouts.ReadInterval"), -1);
  EXPECT_EQ(reg.ReadString("Odd"), odd);
  EXPECT_TRUE(reg.ValueExists("odd"));
  EXPECT_FALSE(reg.ValueExists("Missing"));
}

TEST(RegistryTest, ReadsAndWritesFailWithTheMessagesThatNameTheValue) {
  TempFolder dir;
  TRegistry reg(dir / "r.reg");
  // No key open: nothing can be written.
  EXPECT_EQ(RegistryError([&] { reg.WriteString("Port", "COM1"); }), "Failed to set data for 'Port'");
  ASSERT_TRUE(reg.OpenKey("K", true));
  reg.WriteString("Text", "5");
  reg.WriteInteger("Number", 5);

  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(RegistryError([&] { reg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
  EXPECT_EQ(RegistryError([&] { reg.ReadInteger("Text"); }), "Invalid data type for 'Text'");
  EXPECT_EQ(RegistryError([&] { reg.ReadString("Number"); }), "Invalid data type for 'Number'");

  // A write changes the type.
  reg.WriteString("Number", "five");
  EXPECT_EQ(reg.ReadString("Number"), "five");

  // The file turned into a folder: the write fails and the value stays as it was.
  std::filesystem::remove(dir / "r.reg");
  std::filesystem::create_directory(dir / "r.reg");
  EXPECT_EQ(RegistryError([&] { reg.WriteInteger("Number", 6); }), "Failed to set data for 'Number'");
  EXPECT_EQ(reg.ReadString("Number"), "five");
}

TEST(RegistryTest, OpenKeyCreatesOnlyWhenAskedAndRefusesBadFiles) {
  TempFolder dir;
  TRegistry reg(dir / "r.reg");
  EXPECT_FALSE(reg.OpenKey("Software\\Missing", false));
  EXPECT_FALSE(reg.HasCurrentKey());
  EXPECT_TRUE(reg.OpenKey("Software\\Made", true));
  EXPECT_EQ(FileText(dir / "r.reg"), "[Software\\Made]\n");
  reg.CloseKey();
  EXPECT_FALSE(reg.HasCurrentKey());
  EXPECT_EQ(reg.ReadString("X"), "");

  WriteFileText(dir / "bad.reg", "[K]\n\"Port\"=sz:\"unterminated\n");
  TRegistry bad(dir / "bad.reg");
  EXPECT_FALSE(bad.OpenKey("K", true));
  EXPECT_EQ(FileText(dir / "bad.reg"), "[K]\n\"Port\"=sz:\"unterminated\n");  // left alone
  WriteFileText(dir / "orphan.reg", "\"Port\"=sz:\"COM1\"\n");  // a value outside any key
  EXPECT_FALSE(TRegistry(dir / "orphan.reg").OpenKey("K", true));
  // A bare CR in a key line is a line break inside the key's name, which no key may hold.
  for (const char* text : {"[Soft\rware]\n\"Port\"=sz:\"COM1\"\n", "[K\r]\n", "[\r]\r\n"}) {
    WriteFileText(dir / "cr.reg", text);
    EXPECT_FALSE(TRegistry(dir / "cr.reg").OpenKey("K", true)) << testing::PrintToString(text);
    EXPECT_EQ(FileText(dir / "cr.reg"), text);
  }
}

TEST(RegistryTest, TwoObjectsOnOneFileKeepEachOthersValues) {
  TempFolder dir;
  TRegistry first(dir / "r.reg");
  TRegistry second(dir / "r.reg");
  ASSERT_TRUE(first.OpenKey("A", true));
  ASSERT_TRUE(second.OpenKey("B", true));
  first.WriteString("One", "1");
  second.WriteString("Two", "2");
  first.WriteString("Three", "3");
  TRegistry reader(dir / "r.reg");
  ASSERT_TRUE(reader.OpenKey("A", false));
  EXPECT_EQ(reader.ReadString("One"), "1");
  EXPECT_EQ(reader.ReadString("Three"), "3");
  ASSERT_TRUE(reader.OpenKey("B", false));
  EXPECT_EQ(reader.ReadString("Two"), "2");
}

TEST(RegistryTest, DefaultFileLivesInTheConfigFolder) {
  EXPECT_EQ(TRegistry::DefaultFileName(),
            std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "kestrova" / "registry.reg");
}

}  // namespace
}  // namespace kestrova
