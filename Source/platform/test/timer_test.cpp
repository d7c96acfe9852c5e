#include "platform/timer.h"

#include <gtest/gtest.h>

TEST(TimerPeriod, SmallestOfferedRaisedToOneWithinLargest) {
  struct Case {
    unsigned smallest, largest, period;
  };
  for (const Case& c : {Case{1, 65535, 1}, Case{0, 65535, 1}, Case{10, 65535, 10}, Case{2, 3, 2}, Case{8, 6, 6}})
    EXPECT_EQ(ChooseTimerPeriod(c.smallest, c.largest), c.period) << c.smallest << " " << c.largest;
}
