// The engine with the real tables, driven through its pipes.
#include <gtest/gtest.h>

#include "../../engine/test/tempdir.h"
#include "../../engine/test/uci_harness.h"
#include "tb_fixture.h"

using namespace harness;

namespace {

// An engine in its own directory, so parallel tests do not share a log.
struct TbSession {
  Engine e;
  std::string dir = MakeTempDir();
  TbSession() {
    Start(e, {"-tbpath", tbtest::kTables + " \t"}, dir);  // GUIs and scripts pad values
    EXPECT_TRUE(WaitFor(e, "info string found 35 tablebases", 20.0)) << Tail(e);
  }
  ~TbSession() {
    Quit(e);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  // The info lines and the bestmove line of one search.
  std::vector<std::string> Go(const std::string& position, const std::string& go) {
    Send(e, position);
    Send(e, go);
    std::vector<std::string> lines;
    EXPECT_TRUE(WaitFor(e, "bestmove", 30.0, nullptr, &lines)) << Tail(e);
    return lines;
  }
};

}  // namespace

TEST(TablebaseUci, PaddedPathFindsTheTables) {
  TbSession s;
  Send(s.e, "setoption name SyzygyPath value " + tbtest::kTables + "  \t ");
  std::string found;
  EXPECT_TRUE(WaitFor(s.e, "info string found", 20.0, &found)) << Tail(s.e);
  EXPECT_EQ(found, "info string found 35 tablebases");
}

// Both sides played by the engine from a won KRvK position: the root plays
// distance-to-zero moves once the fifty-move counter passes 6, and the game
// ends in mate.
TEST(TablebaseUci, KRvKGameEndsInMate) {
  TbSession s;
  Board b;
  const std::string fen = "8/8/3k4/8/8/8/8/R5K1 w - - 0 1";
  ASSERT_TRUE(b.Set(fen));
  std::string moves;
  bool tbhits = false, root_moves = false;
  int plies = 0;
  for (; plies < 120 && b.MoveCount() > 0; plies++) {
    const auto lines = s.Go("position fen " + fen + (moves.empty() ? "" : " moves" + moves), "go depth 6");
    for (const std::string& l : lines) {
      tbhits |= Field(l, "tbhits") != "" && Field(l, "tbhits") != "0";
      root_moves |= l.rfind("info depth 99 seldepth 1 score cp ", 0) == 0;
    }
    const std::string best = Field(lines.back(), "bestmove");
    ASSERT_TRUE(b.Play(best)) << best << "\n" << Tail(s.e);
    moves += " " + best;
  }
  EXPECT_EQ(b.MoveCount(), 0) << moves;
  EXPECT_TRUE(SqAtakd(b.pos(), b.pos()->list[b.pos()->side][King][0], b.pos()->side ^ 1)) << moves;
  EXPECT_LT(plies, 80) << moves;
  EXPECT_TRUE(tbhits);
  EXPECT_TRUE(root_moves);
}

// A drawn root is reported as a draw from the first line; past six quiet
// plies the root plays its tablebase move without a search, the same move
// the probe gives in this process.
TEST(TablebaseUci, RootAnswersFromTheTables) {
  TbSession s;
  for (const std::string& l : s.Go("position fen 8/8/8/4k3/8/8/8/2B1K3 w - - 0 1", "go depth 8")) {
    if (l.rfind("info depth", 0) == 0) {
      EXPECT_NE(l.find(" score cp 0 "), std::string::npos) << l;
    }
  }

  const std::string fen = "7k/8/5K2/8/8/8/8/Q7 w - - 0 1";
  const std::string shuffle = " a1b1 h8g8 b1a1 g8h8 a1b1 h8g8 b1a1 g8h8";
  const auto lines = s.Go("position fen " + fen + " moves" + shuffle, "go depth 20");
  for (size_t i = 0; i + 1 < lines.size(); i++)
    EXPECT_EQ(lines[i].rfind("info depth 99 seldepth 1 score cp 9800 ", 0), 0u) << lines[i];
  tbtest::UseTables(tbtest::kTables);
  Board b;
  ASSERT_TRUE(b.Set(fen));
  for (size_t at = 1; at < shuffle.size(); at += 5) ASSERT_TRUE(b.Play(shuffle.substr(at, 4)));
  Move m = 0;
  ASSERT_EQ(TB_Probe_DTZ(b.pos(), &m), 4);
  char text[8];
  std::snprintf(text, sizeof text, "%c%d%c%d", 'a' + MoveFrom(m) % 8, 1 + MoveFrom(m) / 8, 'a' + MoveTo(m) % 8,
                1 + MoveTo(m) / 8);
  EXPECT_EQ(Field(lines.back(), "bestmove"), text);
}
