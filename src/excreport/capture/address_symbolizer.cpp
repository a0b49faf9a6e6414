#include "excreport/capture/address_symbolizer.h"

#include <cxxabi.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>

#include "excreport/report/system_facts.h"

namespace kestrova {
namespace {

std::string Demangle(const char* name) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                       &std::free);
  return status == 0 && demangled ? std::string(demangled.get()) : std::string(name);
}

std::vector<MappedFile> ModulesOf(const std::string& procFolder) {
  return ParseMappedFiles(ReadSystemFile((procFolder + "/maps").c_str()));
}

}  // namespace

AddressSymbolizer::AddressSymbolizer(const TQuillModuleData& executable, pid_t processId)
    : executable_(executable), ownProcess_(processId == 0) {
  const std::string folder = ownProcess_ ? std::string("/proc/self") : "/proc/" + std::to_string(processId);
  std::error_code error;
  executablePath_ = std::filesystem::read_symlink(folder + "/exe", error).string();
  modules_ = ModulesOf(folder);
  if (!ownProcess_) localModules_ = ModulesOf("/proc/self");
}

const MappedFile* AddressSymbolizer::ModuleOf(std::uintptr_t address) const {
  auto after = std::upper_bound(modules_.begin(), modules_.end(), address,
                                [](std::uintptr_t value, const MappedFile& file) { return value < file.Start; });
  if (after == modules_.begin()) return nullptr;
  const MappedFile& module = *std::prev(after);
  return address < module.End ? &module : nullptr;
}

std::uintptr_t AddressSymbolizer::LocalAddress(const MappedFile& module, std::uintptr_t address) const {
  if (ownProcess_) return address;
  for (const MappedFile& local : localModules_)
    if (local.Path == module.Path) return local.Start + (address - module.Start);
  return 0;
}

std::string AddressSymbolizer::ModulePath(std::uintptr_t address) const {
  const MappedFile* module = ModuleOf(address);
  return module != nullptr ? module->Path : std::string();
}

std::optional<std::uintptr_t> AddressSymbolizer::ModuleOffset(std::uintptr_t address) const {
  const MappedFile* module = ModuleOf(address);
  return module != nullptr ? std::optional<std::uintptr_t>(address - module->Start) : std::nullopt;
}

StackEntry AddressSymbolizer::Resolve(std::uintptr_t address, bool returnAddress) const {
  StackEntry entry;
  entry.Address = returnAddress && address > 0 ? address - 1 : address;
  const MappedFile* module = ModuleOf(entry.Address);
  if (module == nullptr) return entry;
  entry.Module = module->Path;
  const std::uintptr_t relative = entry.Address - module->Start;
  if (module->Path == executablePath_ && executable_.DebugInfo &&
      relative <= std::numeric_limits<std::uint32_t>::max()) {
    if (const std::optional<DebugLocation> location =
            executable_.DebugInfo->Lookup(static_cast<std::uint32_t>(relative))) {
      entry.Kind = 2;
      entry.Unit = location->Unit;
      entry.Class = location->Class;
      entry.Procedure = location->Procedure;
      entry.Line = static_cast<int>(location->Line);
      entry.Offset = static_cast<int>(location->LineOffset);
      return entry;
    }
  }
  const std::uintptr_t local = LocalAddress(*module, entry.Address);
  Dl_info info{};
  if (local != 0 && ::dladdr(reinterpret_cast<void*>(local), &info) != 0 && info.dli_sname != nullptr)
    entry.Procedure = Demangle(info.dli_sname);
  return entry;
}

std::vector<StackEntry> AddressSymbolizer::ResolveStack(const std::vector<std::uintptr_t>& frames,
                                                        bool firstIsInstruction) const {
  std::vector<StackEntry> entries;
  entries.reserve(frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) entries.push_back(Resolve(frames[i], i > 0 || !firstIsInstruction));
  return entries;
}

}  // namespace kestrova
