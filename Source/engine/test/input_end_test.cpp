// The end of standard input ends the program as "quit" does, once every line
// before it has been handled and every search it asked for answered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uci_harness.h"

using namespace harness;

namespace {

constexpr double kPrompt = 5.0;  // seconds; roomy for a loaded machine

// The exit status once the program ends within seconds, else -1 (killed).
int ExitWithin(Engine& e, double seconds) {
  const double deadline = Now() + seconds;
  int status = 0;
  while (Now() < deadline) {
    if (waitpid(e.pid, &status, WNOHANG) == e.pid) {
      close(e.from_engine);
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    usleep(2000);
  }
  kill(e.pid, SIGKILL);
  waitpid(e.pid, &status, 0);
  close(e.from_engine);
  return -1;
}

// Started, past its calibration, given lines and then the end of input once
// the line starting with running has shown (at once when empty).
void StartThenEnd(Engine& e, const std::vector<std::string>& args, const std::vector<std::string>& lines,
                 const std::string& running = "") {
  ASSERT_TRUE(Start(e, args));
  ASSERT_TRUE(WaitFor(e, "info string et=", 10.0)) << Tail(e);
  for (const std::string& line : lines) Send(e, line);
  if (!running.empty()) {
    ASSERT_TRUE(WaitFor(e, running, 30.0)) << Tail(e);
  }
  close(e.to_engine);
}

}  // namespace

TEST(InputEnd, EndsTheRunOnceEverySearchIsAnswered) {
  // Idle: the lines before the end are answered, then the program ends.
  Engine idle;
  StartThenEnd(idle, {}, {"isready"});
  EXPECT_TRUE(WaitFor(idle, "readyok", kPrompt)) << Tail(idle);
  EXPECT_EQ(ExitWithin(idle, kPrompt), 0);

  // A search bounded by depth runs to its depth first.
  Engine bounded;
  StartThenEnd(bounded, {}, {"position startpos moves e2e4", "go depth 10"});
  std::vector<std::string> lines;
  EXPECT_TRUE(WaitFor(bounded, "bestmove", 60.0, nullptr, &lines)) << Tail(bounded);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(Field(lines[lines.size() - 2], "depth"), "10") << Tail(bounded);
  EXPECT_EQ(ExitWithin(bounded, kPrompt), 0);

  // Searches that only a command ends are stopped and answered at once.
  for (const std::string go : {"go infinite", "go ponder wtime 600000 btime 600000"}) {
    Engine held;
    StartThenEnd(held, {}, {"position startpos moves e2e4 e7e5", go}, "info depth 5");
    std::string found;
    const double closed = Now();
    EXPECT_TRUE(WaitFor(held, "bestmove", kPrompt, &found)) << go << "\n" << Tail(held);
    EXPECT_LT(Now() - closed, kPrompt) << go;
    Board board;
    board.Set("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -");
    EXPECT_TRUE(board.Legal(Field(found, "bestmove"))) << found;
    EXPECT_EQ(ExitWithin(held, kPrompt), 0) << go;
  }

  // A console analysis is stopped and its result block shown.
  Engine console;
  StartThenEnd(console, {"-c"}, {"an"}, "00] 06");
  EXPECT_TRUE(WaitFor(console, "move= ", kPrompt)) << Tail(console);
  EXPECT_TRUE(WaitFor(console, "Hash fill= ", kPrompt)) << Tail(console);
  EXPECT_EQ(ExitWithin(console, kPrompt), 0);
}
