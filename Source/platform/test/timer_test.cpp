#include "platform/timer.h"

#include <gtest/gtest.h>

TEST(TimerPeriod, SmallestOfferedRaisedToFiveWithinLargest) {
  struct Case {
    unsigned smallest, largest, period;
  };
  for (const Case& c : {Case{1, 65535, 5}, Case{10, 65535, 10}, Case{1, 3, 3}, Case{5, 5, 5}, Case{8, 6, 6}})
    EXPECT_EQ(ChooseTimerPeriod(c.smallest, c.largest), c.period) << c.smallest << " " << c.largest;
}
