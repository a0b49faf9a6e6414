#include "app/tick_reading.h"

#include <gtest/gtest.h>

#include "app/convert_error.h"
#include "app/random_below.h"

namespace kestrova {
namespace {

// The mode decides which texts are converted: a bad text of the other mode never matters.
TEST(TickReadingTest, TheModeChoosesTheTextsThatAreRead) {
  RandomSeed = 0;
  EXPECT_EQ(TickReading({true, "40000", "bad", "bad"}), 40000.0L);
  EXPECT_EQ(TickReading({true, "40000.5", "", ""}), 40000.5L);
  EXPECT_EQ(RandomSeed, 0u) << "fixed mode draws nothing";

  EXPECT_EQ(TickReading({false, "bad", "20000", "20500"}), 20000.0L);
  EXPECT_EQ(TickReading({false, "bad", "20000", "20500"}), 20015.0L);
  EXPECT_EQ(TickReading({false, "bad", " 20000", "$5014"}), 20430.0L) << "leading blank, hex bound";
  // Wrapped range of a fresh sequence: the sum wraps to a negative reading, exactly.
  RandomSeed = 0;
  TickReading({false, "", "20500", "20000"});
  TickReading({false, "", "20500", "20000"});
  EXPECT_EQ(TickReading({false, "", "20500", "20000"}), -596772220.0L);
}

TEST(TickReadingTest, ErrorsNameTheFirstBadTextAndDrawNothing) {
  struct Case {
    TickInputs inputs;
    const char* message;
  } cases[] = {
      {{true, "abc", "20000", "20500"}, "'abc' is not a valid floating point value"},
      {{false, "40000", "20000 ", "x"}, "'20000 ' is not a valid integer value"},
      {{false, "40000", "20000", "20500.0"}, "'20500.0' is not a valid integer value"},
      {{false, "40000", "", ""}, "'' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    RandomSeed = 7;
    try {
      TickReading(c.inputs);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(RandomSeed, 7u);
  }
}

}  // namespace
}  // namespace kestrova
