// The end of standard input ends the program as "quit" does, once the lines
// before it are handled and every search they asked for is answered.
#include <gtest/gtest.h>

#include "uci_harness.h"

using namespace harness;

TEST(InputEnd, EndsTheRunOnceEverySearchIsAnswered) {
  // The lines sent, the line after which the input ends (at once when empty),
  // and the lines that must show before the exit.
  const struct {
    std::vector<std::string> args, lines;
    std::string running;
    std::vector<std::string> shown;
  } cases[] = {
      {{}, {"isready"}, "", {"readyok"}},
      {{}, {"position startpos moves e2e4", "go depth 10"}, "", {"info depth 10 ", "bestmove"}},
      {{}, {"go infinite"}, "info depth 5", {"bestmove"}},
      {{}, {"position startpos moves e2e4", "go ponder wtime 600000 btime 600000"}, "info depth 5", {"bestmove"}},
      {{"-c"}, {"an"}, "00] 06", {"move= ", "Hash fill= "}},
  };
  for (const auto& c : cases) {
    Engine e;
    ASSERT_TRUE(Start(e, c.args));
    for (const std::string& line : c.lines) Send(e, line);
    if (!c.running.empty()) {
      ASSERT_TRUE(WaitFor(e, c.running, 30.0)) << Tail(e);
    }
    EXPECT_EQ(EndInput(e, 10.0), 0) << c.lines.back();
    for (const std::string& line : c.shown) EXPECT_TRUE(WaitFor(e, line, 1.0)) << line << "\n" << Tail(e);
    close(e.from_engine);
  }
}
