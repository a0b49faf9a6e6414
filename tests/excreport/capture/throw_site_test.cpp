#include "excreport/capture/throw_site.h"

#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "excreport/capture/function_range.h"

namespace kestrova::testing {

__attribute__((noinline)) void ThrowFromHere() { throw std::runtime_error("thrown here"); }

__attribute__((noinline)) void CallerOfThrow() {
  ThrowFromHere();
  asm volatile("");  // keeps this frame: no tail call
}

// The library throws: std::vector::at reaches __cxa_throw inside libstdc++.
__attribute__((noinline)) int ReadPastTheEnd(const std::vector<int>& values) {
  const int value = values.at(values.size());
  asm volatile("");
  return value;
}

// A thrower written out in assembly, so that its registers and stack at the call to
// __cxa_throw are known: RBX (callee-saved) and the word at its stack pointer hold `mark`.
// Arguments: the exception object, its type, its destructor, the mark. Its call frame
// information lets the exception pass through it to the caller.
extern "C" [[noreturn]] void ThrowWithMarks(void* object, const std::type_info* type, void (*destroy)(void*),
                                            std::uint64_t mark);
asm(R"(
    .pushsection .text
    .globl ThrowWithMarks
    .type ThrowWithMarks, @function
ThrowWithMarks:
    .cfi_startproc
    pushq %rbx
    .cfi_adjust_cfa_offset 8
    .cfi_offset %rbx, -16
    subq $16, %rsp
    .cfi_adjust_cfa_offset 16
    movq %rcx, (%rsp)
    movq %rcx, %rbx
    call __cxa_throw@PLT
    ud2
    .cfi_endproc
    .size ThrowWithMarks, .-ThrowWithMarks
    .popsection
)");

inline constexpr std::uint64_t kMark = 0x5A17C0DE0BADF00D;

void ThrowMarkedRuntimeError() {
  void* error = abi::__cxa_allocate_exception(sizeof(std::runtime_error));
  new (error) std::runtime_error("marked");
  ThrowWithMarks(error, &typeid(std::runtime_error),
                 [](void* object) { static_cast<std::runtime_error*>(object)->~runtime_error(); }, kMark);
}

namespace {

class ThrowHook : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallThrowHook();
    ClearLastThrowSite();
  }
};

TEST_F(ThrowHook, RecordsTheStackOfTheThrowingFunction) {
  EXPECT_THROW(CallerOfThrow(), std::runtime_error);
  const ThrowSite site = LastThrowSite();
  ASSERT_NE(site.Type, nullptr);
  EXPECT_EQ(*site.Type, typeid(std::runtime_error));
  ASSERT_GE(site.Frames.size(), 2u);
  EXPECT_EQ(FrameIndexIn(site.Frames, reinterpret_cast<void*>(&ThrowFromHere), false), 0);
  EXPECT_EQ(FrameIndexIn(site.Frames, reinterpret_cast<void*>(&CallerOfThrow), false), 1);
}

TEST_F(ThrowHook, RecordsTheRegistersStackAndCallOfTheThrow) {
  EXPECT_THROW(ThrowMarkedRuntimeError(), std::runtime_error);
  const ThrowSite site = LastThrowSite();
  ASSERT_FALSE(site.Frames.empty());
  EXPECT_EQ(FrameIndexIn(site.Frames, reinterpret_cast<void*>(&ThrowWithMarks), false), 0);
  const RegisterContext& r = site.Registers;
  EXPECT_EQ(r.Rbx, kMark);  // as the unwinder restores it for the thrower
  EXPECT_EQ(r.Rsi, reinterpret_cast<std::uintptr_t>(&typeid(std::runtime_error)));
  // RIP is the call into __cxa_throw (through the PLT: E8 and a 32-bit displacement).
  EXPECT_EQ(r.Rip, site.Frames[0] - 5);
  EXPECT_EQ(*reinterpret_cast<const std::uint8_t*>(r.Rip), 0xE8);
  // The stack from RSP up, as it was at the throw: the mark first.
  ASSERT_EQ(site.StackBytes.size(), kThrowStackBytes);
  std::uint64_t word = 0;
  std::memcpy(&word, site.StackBytes.data(), sizeof word);
  EXPECT_EQ(word, kMark);
  EXPECT_NE(r.Rsp, 0u);
}

TEST_F(ThrowHook, RecordsThrowsInsideTheCxxRuntime) {
  const std::vector<int> values{1, 2, 3};
  EXPECT_THROW(ReadPastTheEnd(values), std::out_of_range);
  const ThrowSite site = LastThrowSite();
  ASSERT_NE(site.Type, nullptr);
  EXPECT_EQ(*site.Type, typeid(std::out_of_range));
  EXPECT_GE(FrameIndexIn(site.Frames, reinterpret_cast<void*>(&ReadPastTheEnd), false), 0);
}

TEST_F(ThrowHook, KeepsTheSiteAcrossRethrowAndPerThread) {
  try {
    try {
      ThrowFromHere();
    } catch (...) {
      throw;
    }
  } catch (const std::runtime_error&) {
  }
  std::thread other([] {
    try {
      throw std::logic_error("other thread");
    } catch (const std::logic_error&) {
    }
    EXPECT_EQ(*LastThrowSite().Type, typeid(std::logic_error));
  });
  other.join();
  const ThrowSite site = LastThrowSite();
  ASSERT_NE(site.Type, nullptr);
  EXPECT_EQ(*site.Type, typeid(std::runtime_error));
  EXPECT_EQ(FrameIndexIn(site.Frames, reinterpret_cast<void*>(&ThrowFromHere), false), 0);
}

TEST_F(ThrowHook, RecordsNothingOnceRemoved) {
  RemoveThrowHook();
  EXPECT_THROW(ThrowFromHere(), std::runtime_error);  // still thrown through the real function
  EXPECT_EQ(LastThrowSite().Type, nullptr);
  EXPECT_TRUE(LastThrowSite().Frames.empty());
}

}  // namespace
}  // namespace kestrova::testing
