// The table's size as a controller sees it: a size the system cannot give,
// and a large table that the engine takes while it answers.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <regex>

#include "tempdir.h"
#include "uci_harness.h"

using namespace harness;

namespace {

// Under a sanitizer the address space is its own, so this runs without one.
#ifndef KERV_SANITIZED

// A Hash beyond the address space ("ulimit -v 3000000"), applied by "isready"
// or by "go": the largest size that fits is kept and named in one line, both
// searches are answered, and the second tries nothing again.
TEST(HashSize, SizeThatCannotBeHadLeavesTheLargestThatFits) {
  const std::regex said("info string Hash of 8192 MB could not be allocated, using ([0-9]+) MB");
  for (const char* before_go : {"isready", "position startpos"}) {
    Engine e;
    const std::string dir = MakeTempDir();
    rlimit saved, limit;
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    limit = {rlim_t(3000000) * 1024, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
    const bool started = Start(e, {}, dir);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
    ASSERT_TRUE(started);
    Send(e, "setoption name Hash value 8192");
    Send(e, before_go);
    int kept = 0, told = 0;
    for (int go = 0; go < 2; go++) {
      Send(e, "go depth 5");
      std::vector<std::string> lines;
      ASSERT_TRUE(WaitFor(e, "bestmove", 60.0, nullptr, &lines)) << Tail(e);
      EXPECT_NE(lines.back(), "bestmove null");
      std::smatch m;
      for (const std::string& line : lines)
        if (std::regex_match(line, m, said)) told++, kept = std::stoi(m[1]);
    }
    EXPECT_EQ(told, 1) << Tail(e, 40);
    EXPECT_TRUE(kept >= 64 && kept < 4096 && (kept & (kept - 1)) == 0) << kept;
    EXPECT_EQ(Quit(e, 30.0), 0);
    std::filesystem::remove_all(dir);
  }
}

#endif

// A large table's pages are taken behind the engine's back: "uci" is
// answered at once, and "quit" does not wait for the whole table.
TEST(HashSize, LargeTableHoldsUpNeitherUciNorQuit) {
  Engine e;
  const std::string dir = MakeTempDir();
  const double t0 = Now();
  ASSERT_TRUE(Start(e, {"-hash", "8192"}, dir));
  Send(e, "uci");
  EXPECT_TRUE(WaitFor(e, "uciok", 30.0)) << Tail(e);
  EXPECT_LT(Now() - t0, 5.0);
  EXPECT_EQ(Quit(e, 30.0), 0);
  std::filesystem::remove_all(dir);
}

}  // namespace
