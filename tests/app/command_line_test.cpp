#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrova {
namespace {

CommandLine Parse(std::vector<std::string_view> args) { return ParseCommandLine(args); }

TEST(CommandLineTest, HeadlessOptionsWithTheWindowsDefaults) {
  const CommandLine plain = Parse({"--headless"});
  ASSERT_EQ(plain.kind, CommandKind::Headless);
  EXPECT_EQ(plain.options.port, "COM2");
  EXPECT_TRUE(plain.options.fixed);
  EXPECT_EQ(plain.options.fixedText, "40000");
  EXPECT_EQ(plain.options.lowText, "20000");
  EXPECT_EQ(plain.options.highText, "20500");
  EXPECT_EQ(plain.options.mask, "_000000_");
  EXPECT_EQ(plain.options.intervalMs, 50);
  EXPECT_FALSE(plain.options.count.has_value());

  const CommandLine full = Parse({"--port", "com7", "--random", "-5", "$10", "--mask=#,##0.00", "--headless",
                                  "--interval=20", "--count", "8"});
  ASSERT_EQ(full.kind, CommandKind::Headless) << full.error;
  EXPECT_EQ(full.options.port, "com7");
  EXPECT_FALSE(full.options.fixed);
  EXPECT_EQ(full.options.lowText, "-5");
  EXPECT_EQ(full.options.highText, "$10");
  EXPECT_EQ(full.options.mask, "#,##0.00");
  EXPECT_EQ(full.options.intervalMs, 20);
  EXPECT_EQ(full.options.count, 8);

  // The reading is a text, converted at each tick as the window's edit box is.
  const CommandLine text = Parse({"--headless", "--fixed", "4x0000"});
  ASSERT_EQ(text.kind, CommandKind::Headless);
  EXPECT_EQ(text.options.fixedText, "4x0000");
}

TEST(CommandLineTest, KindsAndErrors) {
  struct Case {
    std::vector<std::string_view> args;
    CommandKind kind;
    const char* error;
  } cases[] = {
      {{}, CommandKind::Window, ""},
      {{"-platform", "offscreen"}, CommandKind::Window, ""},
      {{"--help"}, CommandKind::Help, ""},
      {{"--headless", "--bogus", "--help"}, CommandKind::Help, ""},
      {{"--version"}, CommandKind::Version, ""},
      {{"--headless", "--bogus"}, CommandKind::Invalid, "unknown argument '--bogus'"},
      {{"--count", "3"}, CommandKind::Invalid, "--count needs --headless"},
      {{"--headless", "--port", "LPT1"},
       CommandKind::Invalid,
       "--port needs a name from COM1 to COM16, not 'LPT1'"},
      {{"--headless", "--port", "COM17"},
       CommandKind::Invalid,
       "--port needs a name from COM1 to COM16, not 'COM17'"},
      {{"--headless", "--fixed", "1", "--random", "1", "2"},
       CommandKind::Invalid,
       "give one of --fixed and --random, once"},
      {{"--headless", "--random", "1"}, CommandKind::Invalid, "--random needs a value"},
      {{"--headless", "--mask"}, CommandKind::Invalid, "--mask needs a value"},
      {{"--headless=yes"}, CommandKind::Invalid, "--headless takes no value"},
      {{"--headless", "--interval", "0"},
       CommandKind::Invalid,
       "--interval needs a whole number from 1 to 3600000, not '0'"},
      {{"--headless", "--interval", "50ms"},
       CommandKind::Invalid,
       "--interval needs a whole number from 1 to 3600000, not '50ms'"},
      {{"--headless", "--count", "-1"},
       CommandKind::Invalid,
       "--count needs a whole number from 1 to 1000000000000, not '-1'"},
  };
  for (const Case& c : cases) {
    const CommandLine line = Parse(c.args);
    EXPECT_EQ(line.kind, c.kind) << testing::PrintToString(c.args);
    EXPECT_EQ(line.error, c.error) << testing::PrintToString(c.args);
  }
}

}  // namespace
}  // namespace kestrova
