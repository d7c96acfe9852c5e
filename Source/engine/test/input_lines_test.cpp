// Input lines through the program's pipe: a line is taken whole up to the
// limit and dropped whole with one line beyond it, and any run of blanks and
// tabs parts words, in UCI and in console mode.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "uci_harness.h"

using namespace harness;
using Lines = std::vector<std::string>;

namespace {

const std::string kDropped = "info string input line longer than 65536 characters ignored";

struct Uci {
  Engine e;
  explicit Uci(const std::vector<std::string>& args = {}) {
    Start(e, args);
    EXPECT_TRUE(WaitFor(e, "info string et=", 10.0)) << Tail(e);
  }
  ~Uci() { Quit(e); }
  // The lines up to the one starting with prefix, that one included.
  Lines Until(const std::string& prefix) {
    Lines lines;
    EXPECT_TRUE(WaitFor(e, prefix, 30.0, nullptr, &lines)) << Tail(e);
    return lines;
  }
  // The move a search of the given go line names, checked against board.
  void ExpectLegalReply(const std::string& go, Board& board) {
    Send(e, go);
    std::string found;
    ASSERT_TRUE(WaitFor(e, "bestmove", 30.0, &found)) << go << "\n" << Tail(e);
    EXPECT_TRUE(board.Legal(Field(found, "bestmove"))) << go << ": " << found;
  }
};

// A legal game of the given length, played at random but kept going: no move
// that leaves the other side without one, no capture while a quiet move is
// there, and a pawn move or a capture once the fifty-move count grows long.
// Written with runs of blanks and tabs between the moves; board ends in its
// final position.
std::string LongGame(int plies, Board& board) {
  std::mt19937 rng(23);
  std::string text = "position startpos moves";
  board.Set("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  for (int ply = 0; ply < plies; ply++) {
    Move moves[256];
    std::vector<Move> quiet, resetting, any;
    const int n = LegalMoves(board.pos(), moves);
    for (int i = 0; i < n; i++) {
      const Position* pos = board.pos();
      const bool capture = pos->board[MoveTo(moves[i])] != 0;
      const bool pawn = (pos->board[MoveFrom(moves[i])] & 7) == 1;
      MakeMove(board.pos(), moves[i]);
      const bool ends = board.MoveCount() == 0;
      UnmakeMove(board.pos());
      if (ends) continue;
      any.push_back(moves[i]);
      if (!capture) quiet.push_back(moves[i]);
      if (pawn || capture) resetting.push_back(moves[i]);
    }
    const std::vector<Move>& pick = board.pos()->fifty > 60 && !resetting.empty() ? resetting
                                    : quiet.empty()                                ? any
                                                                                   : quiet;
    if (pick.empty()) return "";
    const Move m = pick[rng() % pick.size()];
    for (int gap = 1 + int(rng() % 24); gap > 0; gap--) text += rng() % 2 ? ' ' : '\t';
    char buf[16];
    text += MoveToStr(m, buf);
    MakeMove(board.pos(), m);
    board.td->search_ply = 1;
  }
  return text;
}

}  // namespace

TEST(InputLines, LongerThanTheLimitIsDroppedWholeWithOneLine) {
  Uci u;
  // Pieces of a cut line would run as commands, some of them "isready".
  std::string words;
  while (words.size() < 100000) words += "isready ";
  Send(u.e, words);
  Send(u.e, "isready");
  EXPECT_EQ(u.Until("readyok"), (Lines{kDropped, "readyok"}));

  // The limit itself is kept, with its carriage return; one more is not.
  Board board;
  board.Set("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  board.Play("e2e4");
  std::string at_limit = "position startpos moves e2e4";
  at_limit.resize(65536, ' ');
  SendRaw(u.e, at_limit + "\r\n");
  u.ExpectLegalReply("go depth 1", board);
  std::string beyond = "position startpos moves d2d4";
  beyond.resize(65537, ' ');
  Send(u.e, beyond);
  Send(u.e, "isready");
  EXPECT_EQ(u.Until("readyok"), (Lines{kDropped, "readyok"}));
  u.ExpectLegalReply("go depth 1", board);
}

TEST(InputLines, PositionOfALongGameIsTakenWhole) {
  Board board;
  const std::string line = LongGame(700, board);
  ASSERT_GT(line.size(), 10000u);
  ASSERT_LT(line.size(), 20000u);
  ASSERT_LE(board.pos()->fifty, 60);  // so "go" searches instead of answering null
  ASSERT_GT(board.MoveCount(), 0);
  Uci u;
  Send(u.e, line);
  Send(u.e, "isready");
  EXPECT_EQ(u.Until("readyok"), Lines{"readyok"});  // no move refused
  u.ExpectLegalReply("go depth 3", board);
}

TEST(InputLines, BlanksAndTabsPartWords) {
  Uci u;
  Board board;
  board.Set("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  u.ExpectLegalReply("go\tdepth\t3", board);
  board.Play("e2e4");
  board.Play("e7e5");
  Send(u.e, "position\tstartpos moves e2e4\te7e5 \t");
  u.ExpectLegalReply("go \t depth 2", board);
  Send(u.e, " \t\t ");
  Send(u.e, "\t");
  Send(u.e, "isready");
  EXPECT_EQ(u.Until("readyok"), Lines{"readyok"});

  Engine c;
  ASSERT_TRUE(Start(c, {"-c"}));
  Send(c, "perft\t2");
  std::string found;
  EXPECT_TRUE(WaitFor(c, "visited", 30.0, &found)) << Tail(c);
  EXPECT_EQ(found.rfind("visited 400 nodes", 0), 0u) << found;
  EXPECT_EQ(Quit(c), 0);
}
