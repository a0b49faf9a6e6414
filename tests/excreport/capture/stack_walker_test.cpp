#include "excreport/capture/stack_walker.h"

#include <gtest/gtest.h>
#include <setjmp.h>
#include <signal.h>

#include <array>

#include "excreport/capture/function_range.h"

// This file is built with frame pointers, so that the frame-pointer walk has a chain to follow.
namespace kestrova::testing {

__attribute__((noinline)) StackAddresses StackOfThisFunction() {
  StackAddresses frames = CaptureCurrentStack();
  asm volatile("");
  return frames;
}

// Walks the frame-pointer chain from inside this function: frame 1 must be its caller.
__attribute__((noinline)) StackAddresses FramePointerWalkHere() {
  std::array<std::uintptr_t, 16> frames{};
  const auto ip = reinterpret_cast<std::uintptr_t>(&FramePointerWalkHere);
  const auto fp = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  const std::size_t count = WalkFramePointers(ip, fp, frames.data(), frames.size());
  asm volatile("");
  return StackAddresses(frames.begin(), frames.begin() + count);
}

__attribute__((noinline)) StackAddresses CallerOfFramePointerWalk() {
  StackAddresses frames = FramePointerWalkHere();
  asm volatile("");
  return frames;
}

// The fault below is taken by a handler that walks from the signal context and jumps back.
std::array<std::uintptr_t, kMaxStackFrames> faultFrames;
std::size_t faultFrameCount = 0;
std::uintptr_t faultIp = 0;
sigjmp_buf faultReturn;

void WalkFromFault(int, siginfo_t*, void* context) {
  const auto& uc = *static_cast<const ucontext_t*>(context);
  faultIp = static_cast<std::uintptr_t>(uc.uc_mcontext.gregs[REG_RIP]);
  faultFrameCount = CaptureStackFromSignalContext(uc, faultFrames.data(), faultFrames.size());
  siglongjmp(faultReturn, 1);
}

__attribute__((noinline)) void FaultHere() {
  volatile std::uintptr_t unmapped = 0x10;  // read at run time: no compile-time bounds warning
  *reinterpret_cast<volatile int*>(unmapped) = 1;
  asm volatile("");
}

__attribute__((noinline)) void CallerOfFault() {
  FaultHere();
  asm volatile("");
}

namespace {

TEST(StackWalker, CurrentStackStartsInTheCaller) {
  const StackAddresses frames = StackOfThisFunction();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(FrameIndexIn(frames, reinterpret_cast<void*>(&StackOfThisFunction), false), 0);
}

TEST(StackWalker, WalksFromASignalContextThroughTheSignalFrame) {
  struct sigaction action {}, previous{};
  action.sa_sigaction = WalkFromFault;
  action.sa_flags = SA_SIGINFO;
  ASSERT_EQ(sigaction(SIGSEGV, &action, &previous), 0);
  if (sigsetjmp(faultReturn, 1) == 0) CallerOfFault();
  sigaction(SIGSEGV, &previous, nullptr);

  const StackAddresses frames(faultFrames.begin(), faultFrames.begin() + faultFrameCount);
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ(frames[0], faultIp);
  EXPECT_EQ(FrameIndexIn(frames, reinterpret_cast<void*>(&FaultHere), true), 0);
  EXPECT_EQ(FrameIndexIn(frames, reinterpret_cast<void*>(&CallerOfFault), true), 1);
}

TEST(StackWalker, FramePointerWalkFollowsTheChainAndStopsAtBadFrames) {
  const StackAddresses frames = CallerOfFramePointerWalk();
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(FrameIndexIn(frames, reinterpret_cast<void*>(&CallerOfFramePointerWalk), true), 1);

  std::array<std::uintptr_t, 8> out{};
  // An unmapped frame pointer ends the walk without a fault; so does a misaligned one.
  EXPECT_EQ(WalkFramePointers(0x1234, 0x1000, out.data(), out.size()), 1u);
  EXPECT_EQ(out[0], 0x1234u);
  const auto fp = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  EXPECT_EQ(WalkFramePointers(0x1234, fp + 1, out.data(), out.size()), 1u);
  EXPECT_EQ(WalkFramePointers(0x1234, fp, out.data(), 0), 0u);
}

}  // namespace
}  // namespace kestrova::testing
