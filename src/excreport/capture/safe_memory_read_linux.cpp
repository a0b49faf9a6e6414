#include "excreport/capture/safe_memory_read.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

namespace kestrova {

// signal-safe
std::size_t SafeReadMemory(const void* address, void* buffer, std::size_t size) {
  const int savedErrno = errno;
  iovec local{buffer, size};
  iovec remote{const_cast<void*>(address), size};
  // process_vm_readv: a partial read stops at the first unreadable page; EFAULT when none is.
  const ssize_t copied = ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0);  // syscall
  errno = savedErrno;
  return copied < 0 ? 0 : static_cast<std::size_t>(copied);
}

}  // namespace kestrova
