// The processor registers a report shows. Only <cstddef> and <cstdint>: the throw hook includes
// this, and it must not see the C++ run-time's declaration of __cxa_throw that most standard
// headers bring.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrova {

// The general registers of the exception context (x86-64). A register that the capture path
// cannot know (the scratch registers at a throw) is 0.
struct RegisterContext {
  std::uint64_t Rax = 0, Rbx = 0, Rcx = 0, Rdx = 0, Rsi = 0, Rdi = 0, Rbp = 0, Rsp = 0;
  std::uint64_t R8 = 0, R9 = 0, R10 = 0, R11 = 0, R12 = 0, R13 = 0, R14 = 0, R15 = 0;
  std::uint64_t Rip = 0;
};

// The registers in the order the CPU part shows them, with their names.
struct RegisterColumn {
  const char* Name;
  std::uint64_t RegisterContext::*Value;
};
inline constexpr std::size_t kRegisterCount = 17;
inline constexpr RegisterColumn kRegisterColumns[kRegisterCount] = {
    {"RAX", &RegisterContext::Rax}, {"RBX", &RegisterContext::Rbx}, {"RCX", &RegisterContext::Rcx},
    {"RDX", &RegisterContext::Rdx}, {"RSI", &RegisterContext::Rsi}, {"RDI", &RegisterContext::Rdi},
    {"RBP", &RegisterContext::Rbp}, {"RSP", &RegisterContext::Rsp}, {"R8", &RegisterContext::R8},
    {"R9", &RegisterContext::R9},   {"R10", &RegisterContext::R10}, {"R11", &RegisterContext::R11},
    {"R12", &RegisterContext::R12}, {"R13", &RegisterContext::R13}, {"R14", &RegisterContext::R14},
    {"R15", &RegisterContext::R15}, {"RIP", &RegisterContext::Rip}};

}  // namespace kestrova
