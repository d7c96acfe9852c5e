// The table's size as a controller sees it: a size the system cannot give,
// and a large table that the engine takes while it answers.
#include <gtest/gtest.h>

#include "tempdir.h"
#include "uci_harness.h"

using namespace harness;

namespace {

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
