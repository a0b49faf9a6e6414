#include "excreport/capture/crash_helper.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <memory>

namespace kestrova {
namespace {

std::optional<int> HelperDescriptor(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (!argument.starts_with(kCrashHelperFlag)) continue;
    argument.remove_prefix(kCrashHelperFlag.size());
    int descriptor = -1;
    auto [end, error] = std::from_chars(argument.data(), argument.data() + argument.size(),
                                        descriptor);
    if (error != std::errc() || end != argument.data() + argument.size()) return -1;
    return descriptor;
  }
  return std::nullopt;
}

template <std::size_t N>
void EndText(char (&text)[N]) {
  text[N - 1] = '\0';
}

// A bool read from foreign bytes may hold any value; only 0 and 1 are valid ones.
void NormaliseFlag(bool& flag) {
  unsigned char byte;
  std::memcpy(&byte, &flag, 1);
  flag = byte != 0;
}

}  // namespace

void ValidateCrashRecord(CrashRecord& record) {
  record.FrameCount = std::min(record.FrameCount, std::size(record.Frames));
  record.StackMemorySize = std::min(record.StackMemorySize, std::size(record.StackMemory));
  EndText(record.ExceptionClass);
  EndText(record.ExceptionMessage);
  EndText(record.ExecutablePath);
  EndText(record.StartDirectory);
  NormaliseFlag(record.HasRegisters);
  NormaliseFlag(record.GuiProgram);
}

std::optional<int> RunCrashHelperIfRequested(int argc, char** argv,
                                             const CrashCallback& onCrash) {
  const std::optional<int> descriptor = HelperDescriptor(argc, argv);
  if (!descriptor) return std::nullopt;
  if (*descriptor < 0) return kCrashHelperBadRecord;
  auto record = std::make_unique<CrashRecord>();
  const ssize_t size = ::pread(*descriptor, record.get(), sizeof(CrashRecord), 0);
  ::close(*descriptor);
  if (size != static_cast<ssize_t>(sizeof(CrashRecord)) || record->Magic != kCrashRecordMagic ||
      record->Size != sizeof(CrashRecord))
    return kCrashHelperBadRecord;
  ValidateCrashRecord(*record);
  try {
    return onCrash(*record);
  } catch (...) {
    return 1;
  }
}

}  // namespace kestrova
