// The data block that the build writes into the kestrova executable, read back from the file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "excreport/options/data_block.h"
#include "excreport/options/elf_file.h"
#include "excreport/options/module_data.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

class QmdataTool : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("qmdata_test." + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Copy(const std::string& name) {
    const fs::path copy = folder_ / name;
    fs::copy_file(KESTROVA_EXECUTABLE, copy, fs::copy_options::overwrite_existing);
    return copy.string();
  }

  static int Run(const std::string& command) { return std::system(command.c_str()); }

  static TQuillModuleData ReadFile(const std::string& path, const std::string& password) {
    ModuleDataRequest request;
    request.ModuleName = path;
    request.BuildId = ReadElfBuildId(path);
    request.RequestPassword = [password] { return password; };
    std::optional<std::string> block = ReadElfSection(path, kDataBlockSectionName);
    return ReadModuleData(block ? std::optional<std::string_view>(*block) : std::nullopt, request);
  }

  static void ExpectExecutableOptions(const TQuillModuleData& data, std::int32_t dialogCloseSecs = 0) {
    ASSERT_TRUE(data.CarriesSubsystem);
    EXPECT_EQ(data.Version, 513);
    const QuillOptionFields defaults;
    QuillOptionFields expected = defaults;
    expected.DialogCloseSecs = dialogCloseSecs;
    expected.LogEnabled = true;
    expected.HangTimeoutSecs = 0;
    expected.SendFlags = 0x0041;
    expected.DialogFlags = 0x9F;
    EXPECT_EQ(data.Options->Fields(), expected);
    EXPECT_EQ(data.Options->Texts(), DefaultTexts());
    EXPECT_EQ(data.Options->FilterClasses().Count(), 0);
  }

  fs::path folder_;
};

TEST_F(QmdataTool, KestrovaCarriesTheBlockWithItsOptionsAndDebugTable) {
  EXPECT_FALSE(ReadElfBuildId(KESTROVA_EXECUTABLE).empty());
  const TQuillModuleData data = ReadFile(KESTROVA_EXECUTABLE, "");
  ExpectExecutableOptions(data);
  ASSERT_TRUE(data.DebugInfo);
  EXPECT_GT(data.DebugInfo->FunctionCount(), 0u);
}

TEST_F(QmdataTool, StrippedCopyStillCarriesTheBlock) {
  const std::string stripped = (folder_ / "kestrova.stripped").string();
  ASSERT_EQ(Run("strip --strip-all -o '" + stripped + "' '" KESTROVA_EXECUTABLE "'"), 0);
  EXPECT_FALSE(ReadElfSection(stripped, ".debug_info"));
  const TQuillModuleData data = ReadFile(stripped, "");
  ExpectExecutableOptions(data);
  EXPECT_TRUE(data.DebugInfo);  // the build-id survives strip, so the table still belongs
}

TEST_F(QmdataTool, RerunWithAPasswordReplacesTheBlock) {
  const std::string copy = Copy("kestrova.protected");
  ASSERT_EQ(Run("'" QMDATA_TOOL "' --password 'open sesame' '" + copy + "'"), 0);
  ASSERT_EQ(Run("test $(readelf -S '" + copy + "' | grep -c QMDATA) -eq 1"), 0);
  const TQuillModuleData opened = ReadFile(copy, "open sesame");
  ExpectExecutableOptions(opened);
  EXPECT_TRUE(opened.DebugInfo);
  const TQuillModuleData closed = ReadFile(copy, "");
  ExpectExecutableOptions(closed);
  EXPECT_FALSE(closed.DebugReadable);
  EXPECT_FALSE(closed.DebugInfo);
}

// A test build (the soak benchmark) closes its report dialog by itself; nothing else changes.
TEST_F(QmdataTool, TestBuildSetsTheDialogCloseTime) {
  const std::string copy = Copy("kestrova.soak");
  ASSERT_EQ(Run("'" QMDATA_TOOL "' --dialog-close-secs 2 '" + copy + "'"), 0);
  ExpectExecutableOptions(ReadFile(copy, ""), 2);
}

TEST_F(QmdataTool, RefusesFilesItCannotReadOrTie) {
  const fs::path text = folder_ / "not-elf";
  ASSERT_EQ(Run("echo hello > '" + text.string() + "'"), 0);
  EXPECT_NE(Run("'" QMDATA_TOOL "' '" + text.string() + "' 2>/dev/null"), 0);
  const std::string noBuildId = Copy("kestrova.no-build-id");
  ASSERT_EQ(Run("objcopy --remove-section .note.gnu.build-id '" + noBuildId + "'"), 0);
  EXPECT_NE(Run("'" QMDATA_TOOL "' '" + noBuildId + "' 2>/dev/null"), 0);
}

}  // namespace
}  // namespace kestrova
