// The crash record as the helper process receives it from a crashed (so possibly damaged)
// process: whatever its bytes, the record the helper hands on keeps its texts and sizes inside
// their arrays.
//
// Input: the record's bytes after its magic and size, which are set so that the record is
// taken; the rest of the record is zero.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "excreport/capture/crash_helper.h"
#include "fuzz_check.h"

namespace kestrova {
namespace {

template <std::size_t N>
bool Terminated(const char (&text)[N]) {
  return std::memchr(text, '\0', N) != nullptr;
}

// What the report builder relies on when it reads the record.
int CheckRecord(const CrashRecord& record) {
  FuzzCheck(Terminated(record.ExceptionClass) && Terminated(record.ExceptionMessage) &&
                Terminated(record.ExecutablePath) && Terminated(record.StartDirectory),
            "the record's texts end inside their arrays");
  FuzzCheck(record.FrameCount <= kMaxStackFrames, "the frame count fits its array");
  FuzzCheck(record.StackMemorySize <= kCrashStackMemorySize,
            "the stack memory size fits its array");
  return 0;
}

}  // namespace
}  // namespace kestrova

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrova;
  auto record = std::make_unique<CrashRecord>();
  std::memset(record.get(), 0, sizeof(CrashRecord));
  constexpr std::size_t kHeader = offsetof(CrashRecord, Kind);
  std::memcpy(reinterpret_cast<char*>(record.get()) + kHeader, data,
              std::min(size, sizeof(CrashRecord) - kHeader));
  record->Magic = kCrashRecordMagic;
  record->Size = sizeof(CrashRecord);

  const int descriptor = memfd_create("fuzz-crash-record", 0);
  FuzzCheck(descriptor >= 0, "memfd_create works");
  FuzzCheck(write(descriptor, record.get(), sizeof(CrashRecord)) ==
                static_cast<ssize_t>(sizeof(CrashRecord)),
            "memory file takes the record");
  std::string flag = std::string(kCrashHelperFlag) + std::to_string(descriptor);
  char program[] = "kestrova";
  char* argv[] = {program, flag.data(), nullptr};
  // The helper closes the descriptor.
  const std::optional<int> exitCode = RunCrashHelperIfRequested(2, argv, CheckRecord);
  FuzzCheck(exitCode.has_value(), "the helper flag is recognised");
  return 0;
}
