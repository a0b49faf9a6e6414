#include "excreport/capture/crash_handlers.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <system_error>

#include "excreport/capture/crash_helper.h"
#include "excreport/capture/crash_record.h"
#include "excreport/capture/process_restart.h"
#include "excreport/capture/process_threads.h"
#include "excreport/capture/safe_memory_read.h"
#include "excreport/capture/signal_alt_stack.h"
#include "excreport/capture/throw_site.h"
#include "excreport/report/exception_class_info.h"

extern char** environ;

namespace kestrova {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t kFatalSignalCount = std::size(kFatalSignals);
// Page-fault error code bit of the x86 context: the access was a write.
constexpr greg_t kPageFaultWrite = 0x2;

// What the handlers use, prepared at install. Plain static data: the handlers read it without
// any lock, and it stays valid while a late signal could still arrive.
struct HandlerData {
  CrashRecord* record = nullptr;  // shared mapping of recordFd
  int recordFd = -1;
  char helperFlag[64] = {};
  char* helperArgv[3] = {};
};

HandlerData handlerData;
std::atomic<pid_t> crashingThread{0};
std::atomic<bool> installed{false};

// signal-safe
void CopyText(char* target, std::size_t capacity, const char* text) {
  std::size_t i = 0;
  for (; text != nullptr && text[i] != '\0' && i + 1 < capacity; ++i) target[i] = text[i];
  target[i] = '\0';
}

// Claims the crash for the calling thread. A thread that finds another one reporting waits
// here for the end of the process. Returns false when the calling thread failed again inside
// its own report: it must then die the default way.
// signal-safe
bool ClaimCrash() {
  const pid_t self = CurrentThreadId();  // gettid (syscall)
  pid_t owner = 0;
  if (crashingThread.compare_exchange_strong(owner, self)) return true;
  if (owner == self) return false;
  for (;;) ::pause();  // pause (syscall)
}

// Default action, taken when the signal is unblocked as the handler returns.
// signal-safe
void DieByDefault(int signal) {
  ::signal(signal, SIG_DFL);  // rt_sigaction (syscall)
  ::raise(signal);            // tgkill (syscall)
}

// Starts the helper on the record, waits for it, and ends the process.
// signal-safe
[[noreturn]] void HandOverAndExit() {
  // _Fork runs no fork handlers and takes no allocator locks, unlike fork().
  const pid_t child = ::_Fork();  // clone (syscall)
  if (child == 0) {
    ::fcntl(handlerData.recordFd, F_SETFD, 0);  // fcntl (syscall): keep the record across exec
    ::execve(handlerData.record->ExecutablePath, handlerData.helperArgv, environ);  // execve
    ::_exit(127);
  }
  if (child > 0) {
    // Under Yama's ptrace scope 1 only this lets the helper (a child, not an ancestor) read
    // our memory and /proc entries.
    ::prctl(PR_SET_PTRACER, child, 0, 0, 0);  // prctl (syscall)
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {  // wait4 (syscall)
    }
  }
  ::_exit(1);  // exit_group (syscall)
}

// signal-safe
void FillSignalRecord(int signal, const siginfo_t& info, const ucontext_t& context) {
  CrashRecord& record = *handlerData.record;
  const greg_t* registers = context.uc_mcontext.gregs;
  record.Kind = CrashKind::kFatalSignal;
  record.ProcessId = ::getpid();  // getpid (syscall)
  record.ThreadId = CurrentThreadId();  // gettid (syscall)
  record.Signal = signal;
  record.SignalCode = info.si_code;
  // si_addr is meaningful only for faults the kernel raised (si_code > 0), not for kill/abort.
  const bool kernelFault = info.si_code > 0;
  record.FaultAddress = kernelFault ? reinterpret_cast<std::uintptr_t>(info.si_addr) : 0;
  record.Access = FaultAccess::kUnknown;
  if (signal == SIGSEGV && kernelFault)
    record.Access = registers[REG_ERR] & kPageFaultWrite ? FaultAccess::kWrite : FaultAccess::kRead;
  record.HasRegisters = true;
  for (std::size_t i = 0; i < kCrashRegisterNames.size(); ++i)
    record.Registers[i] = static_cast<std::uint64_t>(registers[i]);
  record.InstructionPointer = static_cast<std::uintptr_t>(registers[REG_RIP]);
  record.FrameCount = CaptureStackFromSignalContext(context, record.Frames, kMaxStackFrames);
  record.StackMemoryAddress = static_cast<std::uintptr_t>(registers[REG_RSP]);
  record.StackMemorySize =
      SafeReadMemory(reinterpret_cast<const void*>(record.StackMemoryAddress), record.StackMemory,
                     kCrashStackMemorySize);  // process_vm_readv (syscall)
}

// signal-safe
void FatalSignalHandler(int signal, siginfo_t* info, void* context) {
  if (!ClaimCrash()) {
    DieByDefault(signal);
    return;
  }
  FillSignalRecord(signal, *info, *static_cast<const ucontext_t*>(context));
  HandOverAndExit();
}

// Not a signal handler: normal code is allowed, the process is only about to end.
// The registers and stack bytes of the throw site, in the record's signal-context order.
void NoteThrowRegisters(const ThrowSite& site, CrashRecord& record) {
  record.HasRegisters = true;
  for (const RegisterColumn& column : kRegisterColumns) {
    for (std::size_t i = 0; i < kCrashRegisterNames.size(); ++i)
      if (kCrashRegisterNames[i] == column.Name) record.Registers[i] = site.Registers.*column.Value;
  }
  record.StackMemoryAddress = site.Registers.Rsp;
  record.StackMemorySize = std::min(site.StackBytes.size(), sizeof record.StackMemory);
  std::copy_n(site.StackBytes.begin(), record.StackMemorySize, record.StackMemory);
}

void FillExceptionRecord() {
  CrashRecord& record = *handlerData.record;
  record.Kind = CrashKind::kUncaughtException;
  record.ProcessId = ::getpid();
  record.ThreadId = CurrentThreadId();
  StackAddresses frames;
  if (const std::exception_ptr exception = std::current_exception()) {
    if (const auto info = DescribeException(exception))
      CopyText(record.ExceptionClass, sizeof record.ExceptionClass, info->Name.c_str());
    CopyText(record.ExceptionMessage, sizeof record.ExceptionMessage,
             ExceptionMessage(exception).c_str());
    // The throw site, when the last throw of this thread is the exception that escaped.
    ThrowSite site = LastThrowSite();
    const std::type_info* type = exception.__cxa_exception_type();
    if (site.Type != nullptr && type != nullptr && *site.Type == *type) {
      frames = std::move(site.Frames);
      NoteThrowRegisters(site, record);
    }
  }
  if (frames.empty()) frames = CaptureCurrentStack(1);
  record.FrameCount = std::min(frames.size(), kMaxStackFrames);
  std::copy_n(frames.begin(), record.FrameCount, record.Frames);
  record.InstructionPointer = record.FrameCount > 0 ? record.Frames[0] : 0;
}

[[noreturn]] void UncaughtExceptionHandler() {
  if (!ClaimCrash()) {
    ::signal(SIGABRT, SIG_DFL);
    std::abort();
  }
  try {
    FillExceptionRecord();
  } catch (...) {
    // The record keeps what was filled; the helper still reports the crash.
  }
  HandOverAndExit();
}

void ThrowSystemError(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

struct CrashHandlers::Installation {
  SignalAltStack altStack;
  struct sigaction previousActions[kFatalSignalCount] = {};
  std::terminate_handler previousTerminate = nullptr;
};

CrashHandlers::CrashHandlers() {
  if (installed.exchange(true)) throw std::logic_error("crash handlers are installed already");
  try {
    RememberStartDirectory();
    PrepareStackWalker();
    const int fd = ::memfd_create("kestrova-crash-record", MFD_CLOEXEC);
    if (fd < 0) ThrowSystemError("memfd_create");
    void* mapping = MAP_FAILED;
    if (::ftruncate(fd, sizeof(CrashRecord)) == 0)
      mapping = ::mmap(nullptr, sizeof(CrashRecord), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapping == MAP_FAILED) {
      const int error = errno;
      ::close(fd);
      errno = error;
      ThrowSystemError("crash record mapping");
    }
    auto* record = static_cast<CrashRecord*>(mapping);
    record->Magic = kCrashRecordMagic;
    record->Size = sizeof(CrashRecord);
    const ssize_t length =
        ::readlink("/proc/self/exe", record->ExecutablePath, sizeof record->ExecutablePath - 1);
    if (length > 0) record->ExecutablePath[length] = '\0';
    ProgramCommand own = OwnProgramCommand();
    CopyText(record->StartDirectory, sizeof record->StartDirectory, own.Directory.c_str());

    handlerData.record = record;
    handlerData.recordFd = fd;
    std::snprintf(handlerData.helperFlag, sizeof handlerData.helperFlag, "%.*s%d",
                  static_cast<int>(kCrashHelperFlag.size()), kCrashHelperFlag.data(), fd);
    handlerData.helperArgv[0] = record->ExecutablePath;
    handlerData.helperArgv[1] = handlerData.helperFlag;
    handlerData.helperArgv[2] = nullptr;

    installation_ = std::make_unique<Installation>();
    struct sigaction action {};
    action.sa_sigaction = FatalSignalHandler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // A fault inside the handler with these blocked ends the process at once.
    sigemptyset(&action.sa_mask);
    for (int signal : kFatalSignals) sigaddset(&action.sa_mask, signal);
    for (std::size_t i = 0; i < kFatalSignalCount; ++i)
      ::sigaction(kFatalSignals[i], &action, &installation_->previousActions[i]);
    installation_->previousTerminate = std::set_terminate(UncaughtExceptionHandler);
  } catch (...) {
    if (handlerData.record != nullptr) ::munmap(handlerData.record, sizeof(CrashRecord));
    if (handlerData.recordFd >= 0) ::close(handlerData.recordFd);
    handlerData = HandlerData{};
    installed.store(false);
    throw;
  }
}

void CrashHandlers::SetGuiProgram(bool gui) { handlerData.record->GuiProgram = gui; }

CrashHandlers::~CrashHandlers() {
  std::set_terminate(installation_->previousTerminate);
  for (std::size_t i = 0; i < kFatalSignalCount; ++i)
    ::sigaction(kFatalSignals[i], &installation_->previousActions[i], nullptr);
  installation_.reset();
  ::munmap(handlerData.record, sizeof(CrashRecord));
  ::close(handlerData.recordFd);
  handlerData = HandlerData{};
  installed.store(false);
}

}  // namespace kestrova
