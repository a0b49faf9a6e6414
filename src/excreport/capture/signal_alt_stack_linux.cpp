#include "excreport/capture/signal_alt_stack.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

namespace kestrova {
namespace {

// The handler walks the stack and copies registers: a few pages are plenty, but sanitizer
// run-times and the dynamic linker's first lookups want more than MINSIGSTKSZ.
constexpr std::size_t kAltStackSize = 64 * 1024;

}  // namespace

SignalAltStack::SignalAltStack() {
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t size = std::max<std::size_t>(kAltStackSize, SIGSTKSZ);
  mappingSize_ = size + page;
  mapping_ = ::mmap(nullptr, mappingSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                    -1, 0);
  if (mapping_ == MAP_FAILED) {
    mapping_ = nullptr;
    return;
  }
  ::mprotect(mapping_, page, PROT_NONE);  // guard page: the stack grows down into it
  stack_t stack{};
  stack.ss_sp = static_cast<char*>(mapping_) + page;
  stack.ss_size = size;
  installed_ = ::sigaltstack(&stack, &previous_) == 0;
  if (!installed_) {
    ::munmap(mapping_, mappingSize_);
    mapping_ = nullptr;
  }
}

SignalAltStack::~SignalAltStack() {
  if (!installed_) return;
  // Hand back the previous stack, or none; a thread cannot drop the stack it is running on.
  if (previous_.ss_flags & SS_DISABLE) {
    stack_t none{};
    none.ss_flags = SS_DISABLE;
    ::sigaltstack(&none, nullptr);
  } else {
    ::sigaltstack(&previous_, nullptr);
  }
  ::munmap(mapping_, mappingSize_);
}

}  // namespace kestrova
