// Reads of memory that may not be mapped, without faulting.
#pragma once

#include <cstddef>

namespace kestrova {

// Copies up to `size` bytes from `address` of this process into `buffer` and returns the number
// of bytes copied: fewer than asked (possibly 0) when the range runs into unreadable memory.
// The kernel does the copy (process_vm_readv), so a bad address yields an error, not a SIGSEGV.
// signal-safe
std::size_t SafeReadMemory(const void* address, void* buffer, std::size_t size);

}  // namespace kestrova
