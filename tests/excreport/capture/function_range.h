// Whether a code address lies inside a given function, from the exported symbol table.
#pragma once

#include <dlfcn.h>
#include <link.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrova::testing {

// True when `address` lies in the function that starts at `function`; the function must be an
// exported symbol of a loaded module (test targets link with ENABLE_EXPORTS).
inline bool InFunction(std::uintptr_t address, const void* function) {
  Dl_info info{};
  void* entry = nullptr;
  if (::dladdr1(function, &info, &entry, RTLD_DL_SYMENT) == 0 || entry == nullptr ||
      info.dli_saddr != function)
    return false;
  const auto* symbol = static_cast<const ElfW(Sym)*>(entry);
  const auto start = reinterpret_cast<std::uintptr_t>(function);
  return address >= start && address < start + symbol->st_size;
}

// The index of the first frame inside `function` among the first `within` frames, or -1.
// Frame 0 is an instruction pointer when `frame0IsInstruction`; every other frame is a return
// address, looked up one byte back (a call can be a function's last instruction).
inline int FrameIndexIn(const std::vector<std::uintptr_t>& frames, const void* function,
                        bool frame0IsInstruction, std::size_t within = 8) {
  for (std::size_t i = 0; i < frames.size() && i < within; ++i) {
    const std::uintptr_t address = i == 0 && frame0IsInstruction ? frames[i] : frames[i] - 1;
    if (InFunction(address, function)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace kestrova::testing
