// Commands as a GUI or a match runner sends them: long games, commands that
// arrive mid-search, limits of one go, the FEN's counter, letters in any case.
#include <gtest/gtest.h>

#include <random>

#include "tempdir.h"
#include "uci_harness.h"

using namespace harness;

namespace {

// A legal game on b that never runs out of moves.
std::string RandomGame(Board& b, int plies) {
  std::mt19937 rng(7);
  b.Set(fen_opn);
  std::string game = "position startpos moves";
  for (int ply = 0; ply < plies; ply++) {
    Move list[256];
    const int n = LegalMoves(b.pos(), list);
    // From a random start, the first move that leaves the other side a reply.
    for (unsigned i = rng();; i++) {
      MakeMove(b.pos(), list[i % n]);
      if (b.MoveCount()) break;
      UnmakeMove(b.pos());
    }
    char text[8];
    game += std::string(" ") + MoveToStr(b.td->last_move, text);
    b.td->game_ply = 0;  // the test board keeps no history
  }
  return game;
}

struct Gui : Engine {
  std::string dir = MakeTempDir();
  explicit Gui(const std::vector<std::string>& args = {}) {
    Start(*this, args, dir);
    EXPECT_TRUE(WaitFor(*this, "info string et=", 10.0));
  }
  ~Gui() {
    Quit(*this);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  // Sends the lines, then reads through as many "bestmove" lines as asked.
  std::vector<std::string> Run(const std::vector<std::string>& lines, int answers = 1) {
    std::vector<std::string> out;
    for (const std::string& l : lines) Send(*this, l);
    for (int i = 0; i < answers; i++) EXPECT_TRUE(WaitFor(*this, "bestmove", 30.0, nullptr, &out)) << Tail(*this);
    return out;
  }
};

std::string Best(const std::vector<std::string>& out) { return out.empty() ? "" : Field(out.back(), "bestmove"); }
std::string LastInfo(const std::vector<std::string>& out) { return out.size() > 1 ? out[out.size() - 2] : ""; }

}  // namespace

TEST(UciGui, LongGamesAnswerForTheirLastPosition) {
  Gui g;
  g.Run({"setoption name Log value true"}, 0);
  for (int plies : {729, 730, 731, 2000}) {
    Board b;
    EXPECT_TRUE(b.Legal(Best(g.Run({RandomGame(b, plies), "go depth 3"})))) << plies;
  }
  // Time management and the table age count the whole game.
  EXPECT_NE(ReadFile(g.dir + "/kerv.log").find("info string ply= 2000,"), std::string::npos);
}

TEST(UciGui, CommandsDuringASearchEndItWithItsOwnMove) {
  Gui g;
  Board start, after;
  start.Set(fen_opn);
  after.Set(fen_opn);
  after.Play("e2e4");
  for (const char* go : {"go movetime 3000", "go infinite", "go depth 60", "go ponder wtime 9000 btime 9000"}) {
    g.Run({"position startpos", go}, 0);
    ASSERT_TRUE(WaitFor(g, "info depth", 10.0));
    std::vector<std::string> moves;
    for (const std::string& l : g.Run({"position startpos moves e2e4", "go depth 3"}, 2))
      if (l.rfind("bestmove", 0) == 0) moves.push_back(Field(l, "bestmove"));
    ASSERT_EQ(moves.size(), 2u) << go;
    EXPECT_TRUE(start.Legal(moves[0]) && after.Legal(moves[1])) << go << ": " << moves[0] << " " << moves[1];
  }
  EXPECT_TRUE(after.Legal(Best(g.Run({"go infinite", "setoption name Contempt value 0", "ucinewgame"}))));
  EXPECT_TRUE(WaitFor(g, "info string Contempt set to 0", 5.0));
  EXPECT_FALSE(WaitFor(g, "bestmove", 0.5)) << "one answer per go";
}

TEST(UciGui, LimitsHoldForOneGoOnly) {
  Gui g({"-d", "3"});
  EXPECT_EQ(Field(LastInfo(g.Run({"go"})), "depth"), "3") << "the switch is the default";
  EXPECT_EQ(Field(LastInfo(g.Run({"go depth 2"})), "depth"), "2");
  EXPECT_EQ(Field(LastInfo(g.Run({"go wtime 20000 btime 20000"})), "depth"), "3");
  Gui plain;
  plain.Run({"go depth 2"});
  EXPECT_GT(std::stoi(Field(LastInfo(plain.Run({"go wtime 20000 btime 20000"})), "depth")), 3);
  plain.Run({"go nodes 500"});
  EXPECT_GT(std::stoll(Field(LastInfo(plain.Run({"go movetime 1000"})), "nodes")), 5000);
}

TEST(UciGui, FiftyMoveCounterDrawsButMatesStillCount) {
  Gui g;
  const std::string rook = "position fen 8/8/8/4k3/8/8/8/R3K3 w - - ";
  EXPECT_NE(LastInfo(g.Run({rook + "99 150", "go depth 8"})).find(" score cp 0 "), std::string::npos);
  EXPECT_GT(std::stoi(Field(LastInfo(g.Run({rook + "0 150", "go depth 8"})), "cp")), 300);
  const auto mate = g.Run({"position fen k7/8/1K6/8/8/8/8/7R w - - 120 90", "go depth 4"});
  EXPECT_EQ(Best(mate), "h1h8");
  EXPECT_NE(LastInfo(mate).find(" score mate 1 "), std::string::npos);
}

TEST(UciGui, LettersAndNamesInAnyCase) {
  Gui g;
  Board b;
  b.Set("8/P7/8/8/8/8/8/k6K w - -");
  b.Play("a7a8q");
  EXPECT_TRUE(b.Legal(Best(g.Run({"position fen 8/P7/8/8/8/8/8/k6K w - - moves a7a8Q", "go depth 3"}))));
  std::vector<std::string> out;
  g.Run({"setoption name multipv value 3", "setoption name PONDER value TRUE", "setoption name Foo", "isready"}, 0);
  ASSERT_TRUE(WaitFor(g, "readyok", 10.0, nullptr, &out));
  EXPECT_EQ(out, (std::vector<std::string>{"info string MultiPV set to 3", "info string Ponder set to 1",
                                           "info string unknown option Foo", "readyok"}));
}
