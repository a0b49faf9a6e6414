#include "excreport/dialog/stack_entry_picture.h"

#include <array>

#include "excreport/report/report_formats.h"

namespace kestrova {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The libraries every C++ program runs on, as the dynamic loader names them.
constexpr std::array<std::string_view, 7> kRuntimePrefixes = {"libstdc++.so", "libgcc_s.so", "libc.so", "libm.so",
                                                              "ld-linux",     "libpthread.so", "libdl.so"};

}  // namespace

StackEntryPicture PictureOf(const StackEntry& entry, std::string_view programPath) {
  if (entry.Kind >= 2 || (!programPath.empty() && entry.Module == programPath)) return StackEntryPicture::OwnUnit;
  const std::string name = FileNameOf(entry.Module);
  if (StartsWith(name, "libQt")) return StackEntryPicture::ToolkitUnit;
  for (std::string_view prefix : kRuntimePrefixes) {
    if (StartsWith(name, prefix)) return StackEntryPicture::RuntimePackage;
  }
  return StackEntryPicture::Library;
}

}  // namespace kestrova
