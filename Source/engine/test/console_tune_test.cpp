// The console "tune" command through the real program, and "set" applying
// its result.
#include <gtest/gtest.h>

#include <cstdio>

#include "tempdir.h"
#include "uci_harness.h"

using namespace harness;

namespace {

struct Console : Engine {
  ~Console() {
    if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
  }
};

// The lines of one command up to "done!", less the empty line of the one before.
std::vector<std::string> Answer(Engine& e, const std::string& command) {
  Send(e, command);
  std::vector<std::string> lines;
  EXPECT_TRUE(WaitFor(e, "done!", 30.0, nullptr, &lines)) << Tail(e);
  if (!lines.empty() && lines[0].empty()) lines.erase(lines.begin());
  return lines;
}

}  // namespace

TEST(ConsoleTune, FindsALowerErrorThatSetThenApplies) {
  InTempDir dir;
  // Drawn positions with a white knight more: a lower knight value fits them.
  WriteFile("set.epd", "6k1/8/8/p6p/P6P/8/8/2N3K1 w - - c9 \"1/2-1/2\";\n"
                       "6k1/8/8/p6p/P6P/8/8/2N3K1 b - - c9 \"1/2-1/2\";\n"
                       "7k/8/8/p6p/P6P/8/8/4N2K b - - c9 \"1/2-1/2\";\n");
  Console e;
  ASSERT_TRUE(Start(e, {"-c", "-hash", "16"}, dir.dir));
  ASSERT_TRUE(WaitFor(e, "white", 10.0));

  const std::vector<std::string> lines = Answer(e, "tune knight_value_en set.epd");
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "tune file= set.epd");
  EXPECT_EQ(lines[2], "tuning knight_value_en");
  int measured = 0, value, best = 0;
  double err, first = 0.0, best_err = 1.0;
  for (const std::string& line : lines) {
    if (std::sscanf(line.c_str(), "knight_value_en= %d, err= %lf", &value, &err) == 2 && !measured++) first = err;
    std::sscanf(line.c_str(), "best= %d, err= %lf", &best, &best_err);
  }
  EXPECT_EQ(lines[3].rfind("knight_value_en= 360, err= ", 0), 0u);
  EXPECT_GE(measured, 5);
  EXPECT_LE(measured, 30);
  EXPECT_LT(best, 360);
  EXPECT_LT(best_err, first - 0.01);

  // The field was left as found; "set" puts the result in, and the next
  // tune, on the same file, starts from it.
  Send(e, "set knight_value_en " + std::to_string(best));
  ASSERT_TRUE(WaitFor(e, "knight_value_en set to " + std::to_string(best), 10.0));
  char start[64];
  std::snprintf(start, sizeof start, "knight_value_en= %d, err= %0.6f", best, best_err);
  EXPECT_EQ(Answer(e, "tune knight_value_en").at(3), start);

  // A probe beyond the weight's range measures its end, and no further when
  // the best is there already (no king safety counts in these positions).
  Send(e, "set king_safety 200");
  ASSERT_TRUE(WaitFor(e, "king_safety set to 200", 10.0));
  std::vector<int> probes;
  for (const std::string& line : Answer(e, "tune king_safety"))
    if (std::sscanf(line.c_str(), "king_safety= %d", &value) == 1) probes.push_back(value);
  EXPECT_EQ(probes, (std::vector<int>{200, 175}));

  EXPECT_EQ(Answer(e, "tune no_such_weight"),
            (std::vector<std::string>{"tune file= set.epd", "no weight named 'no_such_weight'", "done!"}));
  EXPECT_EQ(Answer(e, "tune knight_value_en missing.epd"),
            (std::vector<std::string>{"tune file= missing.epd", "can't open missing.epd", "done!"}));
  // Later searches have their depth and info lines again: self-play mates.
  for (const char* line : {"fen 7k/5Q2/6K1/8/8/8/8/8 w - -", "set level 1 0.3 0", "self"}) Send(e, line);
  ASSERT_TRUE(WaitFor(e, "00] 01 ", 30.0)) << Tail(e);
  ASSERT_TRUE(WaitFor(e, "move= f7", 30.0)) << Tail(e);
  ASSERT_TRUE(WaitFor(e, "move= null", 30.0)) << Tail(e);
  EXPECT_EQ(Quit(e), 0);
}
