#include "excreport/options/module_data.h"

#include <filesystem>
#include <limits>
#include <system_error>

#include "excreport/options/debug_protection.h"
#include "excreport/options/elf_file.h"
#include "excreport/options/module_identity.h"
#include "excreport/options/password_event.h"

namespace kestrova {
namespace {

constexpr char kExecutablePath[] = "/proc/self/exe";

// Fills the options from the block; false when they cannot be read.
bool LoadOptions(const DataBlock& block, TQuillModuleOptionsEx& options) {
  try {
    ByteReader stream(block.Options);
    options.LoadFromStream(stream, block.Version);
    return true;
  } catch (const EReadError&) {
    return false;  // the options were left as they were: the defaults
  }
}

void OpenDebugInfo(const DataBlock& block, const ModuleDataRequest& request, TQuillModuleData& data) {
  if (!request.RequestPassword) return;
  DebugCipher cipher;
  cipher.SetCipherKey(request.RequestPassword());
  data.DebugReadable = CheckWordMatches(block.CheckWord, cipher);
  if (!data.DebugReadable) return;
  std::optional<std::string> table = UnprotectDebugInfo(block.DebugInfo, cipher);
  if (!table) return;
  std::optional<TQuillDebugInfo> info = TQuillDebugInfo::Decode(*table);
  if (info && info->BuildId() == request.BuildId) data.DebugInfo = std::move(info);
}

}  // namespace

std::optional<DebugLocation> TQuillModuleData::Lookup(std::uintptr_t codeAddress) const {
  if (!DebugInfo || codeAddress < LoadAddress) return std::nullopt;
  const std::uintptr_t relative = codeAddress - LoadAddress;
  if (relative > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return DebugInfo->Lookup(static_cast<std::uint32_t>(relative));
}

TQuillModuleData ReadModuleData(std::optional<std::string_view> block, const ModuleDataRequest& request) {
  TQuillModuleData data;
  data.LoadAddress = request.LoadAddress;
  data.Options = std::make_unique<TQuillModuleOptionsEx>(request.ModuleName, request.PublishOptions);
  if (!block) return data;
  std::optional<DataBlock> decoded = DecodeDataBlock(*block, &data.Refusal);
  if (!decoded) return data;
  if (!LoadOptions(*decoded, *data.Options)) {
    data.Refusal = "the options in the data block cannot be read";
    return data;
  }
  data.CarriesSubsystem = true;
  data.Version = decoded->Version;
  data.BuildDate = decoded->BuildDate;
  data.Symbols = decoded->Symbols;
  OpenDebugInfo(*decoded, request, data);
  return data;
}

TQuillModuleData ReadExecutableModuleData(bool publishOptions) {
  ModuleDataRequest request;
  std::error_code error;
  request.ModuleName = std::filesystem::read_symlink(kExecutablePath, error).string();
  request.LoadAddress = ExecutableLoadAddress();
  request.BuildId = ReadElfBuildId(kExecutablePath);
  request.PublishOptions = publishOptions;
  request.RequestPassword = RequestExecutablePassword;
  std::optional<std::string> block = ReadElfSection(kExecutablePath, kDataBlockSectionName);
  return ReadModuleData(block ? std::optional<std::string_view>(*block) : std::nullopt, request);
}

}  // namespace kestrova
