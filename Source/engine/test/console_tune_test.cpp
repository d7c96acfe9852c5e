// The console "tune" command through the real program, and "set" applying
// its result.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "tempdir.h"
#include "uci_harness.h"

using namespace harness;

namespace {

// Drawn positions with a white knight more: a lower knight value fits them.
constexpr char kDrawnKnights[] =
    "6k1/8/8/p6p/P6P/8/8/2N3K1 w - - ce 0; c9 \"1/2-1/2\";\n"
    "6k1/8/8/p6p/P6P/8/8/2N3K1 b - - ce 0; c9 \"1/2-1/2\";\n"
    "6k1/8/8/p6p/P6P/8/8/3N2K1 w - - ce 0; c9 \"1/2-1/2\";\n"
    "7k/8/8/p6p/P6P/8/8/4N2K b - - ce 0; c9 \"1/2-1/2\";\n"
    "7k/8/8/p6p/P6P/8/8/5N1K w - - ce 0; c9 \"1/2-1/2\";\n";

// A console that never outlives its test, whatever it stopped at.
struct Console : Engine {
  ~Console() {
    if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
};

struct Search {
  std::vector<std::string> lines;
  int best = 0;
  double first_err = 0.0, best_err = 0.0;
  int measured = 0;
};

// The lines of one command up to "done!", less the empty line left over
// from the one before.
std::vector<std::string> Answer(Engine& e, const std::string& command) {
  Send(e, command);
  std::vector<std::string> lines;
  EXPECT_TRUE(WaitFor(e, "done!", 30.0, nullptr, &lines)) << Tail(e);
  if (!lines.empty() && lines[0].empty()) lines.erase(lines.begin());
  return lines;
}

// Runs one console tune and reads its measurements.
Search Tune(Engine& e, const std::string& command, const std::string& name) {
  Search s;
  s.lines = Answer(e, command);
  for (const std::string& line : s.lines) {
    int value;
    double err;
    if (std::sscanf(line.c_str(), (name + "= %d, err= %lf").c_str(), &value, &err) == 2 && !s.measured++)
      s.first_err = err;
    std::sscanf(line.c_str(), "best= %d, err= %lf", &s.best, &s.best_err);
  }
  return s;
}

}  // namespace

TEST(ConsoleTune, FindsALowerErrorThatSetThenApplies) {
  InTempDir dir;
  WriteFile("set.epd", kDrawnKnights);
  Console e;
  ASSERT_TRUE(Start(e, {"-c", "-hash", "16"}, dir.dir));
  ASSERT_TRUE(WaitFor(e, "white", 10.0));

  Search s = Tune(e, "tune knight_value_en set.epd", "knight_value_en");
  ASSERT_GE(s.lines.size(), 4u);
  EXPECT_EQ(s.lines[0], "tune file= set.epd");
  EXPECT_EQ(s.lines[2], "tuning knight_value_en");
  EXPECT_EQ(s.lines[3].rfind("knight_value_en= 360, err= ", 0), 0u);
  EXPECT_GE(s.measured, 5);
  EXPECT_LE(s.measured, 30);
  EXPECT_LT(s.best, 360);
  EXPECT_LT(s.best_err, s.first_err - 0.01);
  EXPECT_TRUE(std::filesystem::exists(dir.dir + "/junk.epd"));

  // The field was left as found; "set" puts the result in, and the next
  // tune (same file) starts from it.
  Send(e, "set knight_value_en " + std::to_string(s.best));
  ASSERT_TRUE(WaitFor(e, "knight_value_en set to " + std::to_string(s.best), 10.0));
  const Search again = Tune(e, "tune knight_value_en", "knight_value_en");
  char first[64];
  std::snprintf(first, sizeof first, "knight_value_en= %d, err= %0.6f", s.best, s.best_err);
  ASSERT_GE(again.lines.size(), 4u);
  EXPECT_EQ(again.lines[3], first);

  EXPECT_EQ(Answer(e, "tune no_such_weight"), (std::vector<std::string>{"tune file= set.epd", "done!"}));
  EXPECT_EQ(Answer(e, "tune knight_value_en missing.epd"),
            (std::vector<std::string>{"tune file= missing.epd", "can't open missing.epd", "done!"}));
  EXPECT_EQ(Quit(e), 0);
}
