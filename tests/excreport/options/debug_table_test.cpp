#include "excreport/options/debug_table.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

DebugTableSource SampleSource() {
  DebugTableSource source;
  source.BuildId = "\x01\x02\x03";
  // Given out of order: the encoder sorts.
  source.Functions = {
      {0x2000, 0x2040, "main_window", "TFMain", "TimerTick"},
      {0x1000, 0x1100, "formatter", "", "FormatByMask"},
  };
  source.Lines = {
      {0x1000, 10, "formatter"}, {0x1010, 12, "formatter"}, {0x1080, 7, "format_helpers"},
      {0x1100, 0, ""},  // end of sequence
      {0x2000, 40, "main_window"}, {0x2020, 41, "main_window"}, {0x2040, 0, ""},
  };
  return source;
}

TEST(DebugTable, LookupFindsUnitClassProcedureAndLine) {
  const std::optional<TQuillDebugInfo> info = TQuillDebugInfo::Decode(EncodeDebugTable(SampleSource()));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->BuildId(), "\x01\x02\x03");
  EXPECT_EQ(info->FunctionCount(), 2u);
  EXPECT_EQ(info->LineCount(), 7u);

  const struct {
    std::uint32_t address;
    const char* unit;
    const char* cls;
    const char* procedure;
    std::uint32_t line, offset;
  } cases[] = {
      {0x1000, "formatter", "", "FormatByMask", 10, 0},
      {0x1013, "formatter", "", "FormatByMask", 12, 3},
      {0x1090, "format_helpers", "", "FormatByMask", 7, 0x10},  // inlined from another file
      {0x10FF, "format_helpers", "", "FormatByMask", 7, 0x7F},
      {0x2039, "main_window", "TFMain", "TimerTick", 41, 0x19},
  };
  for (const auto& c : cases) {
    std::optional<DebugLocation> location = info->Lookup(c.address);
    ASSERT_TRUE(location) << std::hex << c.address;
    EXPECT_EQ(location->Unit, c.unit) << std::hex << c.address;
    EXPECT_EQ(location->Class, c.cls);
    EXPECT_EQ(location->Procedure, c.procedure);
    EXPECT_EQ(location->Line, c.line) << std::hex << c.address;
    EXPECT_EQ(location->LineOffset, c.offset) << std::hex << c.address;
  }
  for (std::uint32_t outside : {0x0u, 0xFFFu, 0x1100u, 0x1FFFu, 0x2040u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(info->Lookup(outside)) << std::hex << outside;
  }
}

TEST(DebugTable, DamagedTablesAreRefused) {
  const std::string table = EncodeDebugTable(SampleSource());
  for (std::size_t length = 0; length < table.size(); ++length) {
    EXPECT_FALSE(TQuillDebugInfo::Decode(std::string_view(table).substr(0, length))) << length;
  }
  std::string badIndex = table;
  badIndex[badIndex.size() - 4] = 0x7F;  // the last line's unit index
  EXPECT_FALSE(TQuillDebugInfo::Decode(badIndex));
  EXPECT_FALSE(TQuillDebugInfo::Decode(table + "x"));
}

}  // namespace
}  // namespace kestrova
