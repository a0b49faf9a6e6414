// This test executable carries its own data block, written after linking like the program's.
#include <gtest/gtest.h>

#include "excreport/options/elf_file.h"
#include "excreport/options/module_data.h"
#include "excreport/options/password_event.h"

namespace kestrova {
namespace {

class LookupProbe final {
 public:
  static int Target(int value);
};

constexpr std::uint32_t kTargetLine = __LINE__ + 1;
__attribute__((noinline)) int LookupProbe::Target(int value) { return value * 3 + 1; }

TEST(ExecutableBlock, OwnBlockCarriesTheExecutableOptions) {
  SetPasswordRequestHandler(nullptr);
  const TQuillModuleData data = ReadExecutableModuleData(false);
  ASSERT_TRUE(data.CarriesSubsystem);
  EXPECT_EQ(data.Version, 513);
  EXPECT_GT(data.BuildDate, 45000);  // a date after 2023
  EXPECT_TRUE(data.Symbols.empty());

  const TQuillModuleOptions& options = *data.Options;
  const QuillOptionFields defaults;
  EXPECT_TRUE(options.LogEnabled());
  EXPECT_EQ(options.HangTimeoutSecs(), 0);
  EXPECT_EQ(options.SendFlags(), 0x0041);
  EXPECT_EQ(options.DialogFlags(), 0x9F);
  EXPECT_EQ(options.LogFlags(), 0x30);
  EXPECT_EQ(options.LogReportLimit(), 32);
  EXPECT_EQ(options.HangMessage(), defaults.HangMessage);
  EXPECT_EQ(options.PageTemplate(), defaults.PageTemplate);
  EXPECT_EQ(options.Texts(), DefaultTexts());
  EXPECT_EQ(options.FilterClasses().Count(), 0);
}

TEST(ExecutableBlock, CodeAddressResolvesToFileClassFunctionAndLine) {
  SetPasswordRequestHandler(nullptr);
  const TQuillModuleData data = ReadExecutableModuleData(false);
  ASSERT_TRUE(data.DebugReadable);
  ASSERT_TRUE(data.DebugInfo);
  EXPECT_EQ(data.DebugInfo->BuildId(), ReadElfBuildId("/proc/self/exe"));
  EXPECT_EQ(LookupProbe::Target(2), 7);

  const auto address = reinterpret_cast<std::uintptr_t>(&LookupProbe::Target);
  std::optional<DebugLocation> location = data.Lookup(address);
  ASSERT_TRUE(location);
  EXPECT_EQ(location->Unit, "executable_block_test");
  EXPECT_EQ(location->Class, "LookupProbe");
  EXPECT_EQ(location->Procedure, "Target");
  EXPECT_EQ(location->Line, kTargetLine);
  EXPECT_EQ(location->LineOffset, 0u);
}

TEST(ExecutableBlock, WrongPasswordFromTheExportedEventKeepsTheDebugInformationClosed) {
  SetPasswordRequestHandler([](std::string& password) { password = "not the build password"; });
  const TQuillModuleData data = ReadExecutableModuleData(false);
  SetPasswordRequestHandler(nullptr);
  EXPECT_TRUE(data.CarriesSubsystem);
  EXPECT_FALSE(data.DebugReadable);
  EXPECT_FALSE(data.Lookup(reinterpret_cast<std::uintptr_t>(&LookupProbe::Target)));
}

}  // namespace
}  // namespace kestrova
