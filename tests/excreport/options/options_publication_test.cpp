#include "excreport/options/options_publication.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <vector>

#include "excreport/options/module_identity.h"
#include "excreport/options/quill_module_options_ex.h"

namespace kestrova {
namespace {

std::string StreamOf(const TQuillModuleOptions& options) {
  ByteWriter writer;
  writer.U8(1);
  options.SaveToStream(writer);
  return writer.Take();
}

TEST(OptionsPublication, BlockNameIsModuleThenProcessInUpperCaseHex) {
  EXPECT_EQ(OptionsPublication::BlockName(0x00400000, 0xAB), "MODULE00400000000000AB");
  EXPECT_EQ(OptionsPublication::BlockName(0xDEADBEEF, 0x7FFF1234), "MODULEDEADBEEF7FFF1234");
  // A 64-bit load address keeps all its digits, so two modules never share a name.
  EXPECT_EQ(OptionsPublication::BlockName(0x55D4C3A00000, 1), "MODULE55D4C3A0000000000001");
}

TEST(OptionsPublication, OwnModuleOptionsArePublishedAndFollowEveryChange) {
  const std::string name = TQuillModuleOptionsEx::OwnBlockName();
  EXPECT_EQ(name, OptionsPublication::BlockName(SubsystemModuleHandle(), ::getpid()));
  {
    TQuillModuleOptionsEx options(SubsystemModuleName(), true);
    EXPECT_TRUE(options.LastPublishSucceeded());
    EXPECT_EQ(OptionsPublication::Read(name), StreamOf(options));

    options.SetMailBody(std::string(10000, 'b'));  // grows the block
    options.FilterClasses().Add("EAbort");
    EXPECT_EQ(OptionsPublication::Read(name), StreamOf(options));
    options.SetMailBody("short");  // shrinks it again
    EXPECT_EQ(OptionsPublication::Read(name), StreamOf(options));
  }
  EXPECT_EQ(OptionsPublication::Read(name), std::nullopt);  // removed with its options

  TQuillModuleOptionsEx quiet(SubsystemModuleName(), false);
  quiet.SetLogEnabled(true);
  EXPECT_EQ(OptionsPublication::Read(name), std::nullopt);
}

TEST(OptionsPublication, WatchdogFollowsEnabledAndHangDetection) {
  TQuillModuleOptionsEx options("", false);
  std::vector<bool> calls;
  options.SetHangWatchdogSwitch([&](bool run) { calls.push_back(run); });
  options.SetHangDetection(true);
  options.SetEnabled(false);
  options.SetEnabled(true);
  options.SetHangDetection(false);
  EXPECT_EQ(calls, (std::vector<bool>{true, false, true, false}));
}

}  // namespace
}  // namespace kestrova
