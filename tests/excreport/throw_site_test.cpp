#include "excreport/throw_site.h"

#include <gtest/gtest.h>

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
