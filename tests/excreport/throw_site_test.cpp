#include "excreport/throw_site.h"

#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "excreport/function_range.h"

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

// Throws with marks in its own frame, a few words above its stack pointer, and notes where its
// frame lies; RBX holds a known value at the throw (a callee-saved register the unwinder must
// restore for the thrower).
inline constexpr std::uint64_t kStackMark = 0x5A17C0DE0BADF00D;
inline constexpr std::uint64_t kRbxMark = 0x0123456789ABCDEF;
std::uintptr_t markedFrame = 0;

__attribute__((noinline)) void ThrowWithMarks() {
  volatile std::uint64_t marks[2] = {kStackMark, kStackMark};
  markedFrame = reinterpret_cast<std::uintptr_t>(&marks[0]);
  void* error = abi::__cxa_allocate_exception(sizeof(std::runtime_error));
  new (error) std::runtime_error("marked");
  const std::type_info* type = &typeid(std::runtime_error);
  void (*destroy)(void*) = [](void* object) { static_cast<std::runtime_error*>(object)->~runtime_error(); };
  // The call made by hand, so that RBX (callee-saved) holds a known value at it.
  asm volatile("movq %[mark], %%rbx\n\tcall __cxa_throw@PLT"
               :
               : "D"(error), "S"(type), "d"(destroy), [mark] "r"(kRbxMark)
               : "rbx", "memory");
  __builtin_unreachable();
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
  EXPECT_THROW(ThrowWithMarks(), std::runtime_error);
  const ThrowSite site = LastThrowSite();
  ASSERT_FALSE(site.Frames.empty());
  const RegisterContext& r = site.Registers;
  // The stack pointer of the thrower: at or below its locals, within its small frame.
  EXPECT_LE(r.Rsp, markedFrame);
  EXPECT_LT(markedFrame - r.Rsp, kThrowStackBytes);
  EXPECT_EQ(r.Rbx, kRbxMark);
  EXPECT_EQ(r.Rsi, reinterpret_cast<std::uintptr_t>(&typeid(std::runtime_error)));
  // RIP is the call into __cxa_throw (through the PLT: E8 and a 32-bit displacement).
  EXPECT_EQ(r.Rip, site.Frames[0] - 5);
  EXPECT_EQ(*reinterpret_cast<const std::uint8_t*>(r.Rip), 0xE8);
  // The stack bytes are the thrower's, as they were at the throw.
  ASSERT_EQ(site.StackBytes.size(), kThrowStackBytes);
  std::uint64_t word = 0;
  std::memcpy(&word, site.StackBytes.data() + (markedFrame - r.Rsp), sizeof word);
  EXPECT_EQ(word, kStackMark);
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
