#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <string>

#include "excreport/capture/crash_helper.h"
#include "excreport/flow/crash_report.h"

namespace kestrova {
namespace {

// Hands `record` to the helper entry through a descriptor, as the crashed process does, and
// returns what the callback saw, turned into the handling request.
HandlingRequest RequestFromHelper(const CrashRecord& record) {
  const int fd = ::memfd_create("crash-record", MFD_CLOEXEC);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(::write(fd, &record, sizeof record), static_cast<ssize_t>(sizeof record));
  std::string flag = std::string(kCrashHelperFlag) + std::to_string(fd);
  char program[] = "kestrova";
  char* argv[] = {program, flag.data(), nullptr};
  HandlingRequest request;
  const auto code = RunCrashHelperIfRequested(2, argv, [&](const CrashRecord& received) {
    request = CrashRequest(received);
    return 7;
  });
  EXPECT_EQ(code, 7);
  return request;
}

// A record whose sizes and texts were damaged before the crashed process wrote it.
TEST(CrashRecordTest, HelperClampsSizesAndEndsTexts) {
  auto record = std::make_unique<CrashRecord>();
  std::memset(record.get(), 'A', sizeof *record);
  record->Magic = kCrashRecordMagic;
  record->Size = sizeof(CrashRecord);
  record->Kind = CrashKind::kUncaughtException;
  record->ProcessId = ::getpid();
  record->ThreadId = ::gettid();
  record->InstructionPointer = 0;
  record->FrameCount = ~std::size_t{0};
  record->StackMemorySize = ~std::size_t{0};

  const HandlingRequest request = RequestFromHelper(*record);
  EXPECT_EQ(request.Frames.size(), kMaxStackFrames);
  EXPECT_EQ(request.ClassName, std::string(sizeof record->ExceptionClass - 1, 'A'));
  EXPECT_EQ(request.Message, std::string(sizeof record->ExceptionMessage - 1, 'A'));

  record->Kind = CrashKind::kFatalSignal;
  record->Signal = SIGSEGV;
  EXPECT_EQ(RequestFromHelper(*record).StackBytes.size(), kCrashStackMemorySize);
}

}  // namespace
}  // namespace kestrova
