#include "app/random_below.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrova {
namespace {

std::vector<std::int32_t> FreshReadings(std::int32_t low, std::int32_t high, int count) {
  RandomSeed = 0;
  std::vector<std::int32_t> readings;
  for (int i = 0; i < count; ++i) readings.push_back(RandomReading(low, high));
  return readings;
}

TEST(RandomBelowTest, ReadingsOfAFreshProcess) {
  EXPECT_EQ(FreshReadings(20000, 20500, 8),
            (std::vector<std::int32_t>{20000, 20015, 20430, 20101, 20136, 20335, 20159, 20080}));
  // An upper bound below the lower one wraps the range round.
  EXPECT_EQ(FreshReadings(20500, 20000, 4),
            (std::vector<std::int32_t>{20500, 134796298, -596772220, 870099018}));
  // An empty range, or one of width 1, always gives the lower bound.
  EXPECT_EQ(FreshReadings(20000, 20000, 3), (std::vector<std::int32_t>{20000, 20000, 20000}));
  EXPECT_EQ(FreshReadings(20000, 20001, 3), (std::vector<std::int32_t>{20000, 20000, 20000}));
}

TEST(RandomBelowTest, EveryDrawAdvancesTheSeed) {
  RandomSeed = 0;
  EXPECT_EQ(RandomBelow(1000), 0);
  EXPECT_EQ(RandomSeed, 1u);
  EXPECT_EQ(RandomBelow(0), 0);
  EXPECT_EQ(RandomSeed, 134775814u);
  // A negative range is taken as 2^32 plus the range: -1 draws from almost the whole 32 bits.
  EXPECT_EQ(RandomBelow(-1), static_cast<std::int32_t>(3698175006u));
  EXPECT_EQ(RandomSeed, 3698175007u);
  RandomSeed = 0xFFFFFFFFu;
  EXPECT_EQ(RandomBelow(10), 9);
  EXPECT_EQ(RandomSeed, 4160191484u);
}

}  // namespace
}  // namespace kestrova
