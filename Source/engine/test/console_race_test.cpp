#include <gtest/gtest.h>

#include "uci_harness.h"

using namespace harness;

// "set" re-derives the tables that the three workers read and "an" clears the
// table, so both end the analysis first, which still reports before the echo.
// The ThreadSanitizer suite runs this on its build, where a report would
// change the exit status.
TEST(ConsoleRace, SettingsAndAnalysisEndTheRunningSearch) {
  Engine e;
  ASSERT_TRUE(Start(e, {"-c", "-threads", "3", "-hash", "16"}));
  Send(e, "an");
  EXPECT_TRUE(WaitFor(e, "00] 02 ", 60.0)) << Tail(e);
  for (const char* line : {"set multipv 3", "set LMR_depth 4", "set hash 0", "set hash 1", "an"}) Send(e, line);
  EXPECT_TRUE(WaitFor(e, "move= ", 60.0)) << Tail(e);
  EXPECT_TRUE(WaitFor(e, "LMR_depth set to 4", 60.0)) << Tail(e);
  EXPECT_TRUE(WaitFor(e, "00] ", 60.0)) << Tail(e);
  Send(e, ".");
  EXPECT_TRUE(WaitFor(e, "move= ", 60.0)) << Tail(e);
  EXPECT_EQ(Quit(e, 60.0), 0);  // ends the program when a check failed
}
