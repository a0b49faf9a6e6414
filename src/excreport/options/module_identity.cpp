#include "excreport/options/module_identity.h"

#include <dlfcn.h>
#include <link.h>

#include <filesystem>
#include <system_error>

namespace kestrova {
namespace {

Dl_info OwnModuleInfo() {
  Dl_info info{};
  dladdr(reinterpret_cast<const void*>(&SubsystemModuleHandle), &info);
  return info;
}

// The address of the main program's ELF header: its first object reported by dl_iterate_phdr,
// at its load bias plus the lowest loaded address.
std::uintptr_t MainProgramBase() {
  std::uintptr_t base = 0;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          if (info->dlpi_phdr[i].p_type == PT_LOAD) {
            *static_cast<std::uintptr_t*>(data) = info->dlpi_addr + (info->dlpi_phdr[i].p_vaddr & ~std::uintptr_t{0xFFF});
            break;
          }
        }
        return 1;
      },
      &base);
  return base;
}

}  // namespace

std::uintptr_t ExecutableLoadAddress() {
  static const std::uintptr_t base = MainProgramBase();
  return base;
}

std::uintptr_t SubsystemModuleHandle() {
  static const std::uintptr_t handle = reinterpret_cast<std::uintptr_t>(OwnModuleInfo().dli_fbase);
  return handle;
}

const std::string& SubsystemModuleName() {
  static const std::string name = [] {
    Dl_info info = OwnModuleInfo();
    // dladdr names the executable as it was started (maybe relative); the kernel knows its file.
    std::error_code error;
    if (reinterpret_cast<std::uintptr_t>(info.dli_fbase) == ExecutableLoadAddress()) {
      std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
      if (!error) return exe.string();
    }
    return std::string(info.dli_fname != nullptr ? info.dli_fname : "");
  }();
  return name;
}

bool IsSubsystemModule(std::string_view name) {
  if (name.empty()) return false;
  if (name == SubsystemModuleName()) return true;
  std::error_code error;
  return std::filesystem::equivalent(std::filesystem::path(name), std::filesystem::path(SubsystemModuleName()), error) && !error;
}

}  // namespace kestrova
