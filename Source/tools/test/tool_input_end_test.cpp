// A tool started from a script with its input closed runs on: only "quit"
// stops it early, never the end of input.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/test/tempdir.h"
#include "engine/test/uci_harness.h"

TEST(ToolInputEnd, MatchPlaysOnWithItsInputClosed) {
  InTempDir tmp;
  WriteFile("test1.rc", "king_safety = 50\n");
  harness::Engine e;
  ASSERT_TRUE(harness::Start(e, {"-d", "1", "-match", "g.pgn"}, tmp.dir));
  close(e.to_engine);
  int games = 0;
  for (const double deadline = harness::Now() + 60.0; games < 3 && harness::Now() < deadline;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::string pgn = ReadFile("g.pgn");
    games = 0;
    for (size_t at = pgn.find("[Result "); at != std::string::npos; at = pgn.find("[Result ", at + 1)) games++;
  }
  EXPECT_GE(games, 3);
  int status = 0;
  EXPECT_EQ(waitpid(e.pid, &status, WNOHANG), 0) << "the match ended with its input";
  kill(e.pid, SIGKILL);
  waitpid(e.pid, &status, 0);
  close(e.from_engine);
}
