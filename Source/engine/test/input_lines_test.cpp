// Input lines through the program's pipe: taken whole up to 65,536
// characters, dropped whole with one line beyond, words parted by any run of
// blanks and tabs.
#include <gtest/gtest.h>

#include "uci_harness.h"

using namespace harness;
using Lines = std::vector<std::string>;

static Lines Until(Engine& e, const std::string& prefix) {
  Lines lines;
  EXPECT_TRUE(WaitFor(e, prefix, 30.0, nullptr, &lines)) << Tail(e);
  return lines;
}

static bool LegalReply(Engine& e, const std::string& go, Board& board) {
  Send(e, go);
  const Lines lines = Until(e, "bestmove");
  return !lines.empty() && board.Legal(Field(lines.back(), "bestmove"));
}

TEST(InputLines, TakenWholeUpToTheLimitAndDroppedWholeBeyond) {
  // 700 plies: knights out and back, now and then a pawn pair, so the
  // fifty-move count stays short; at the end a check that few moves answer.
  // Runs of blanks and tabs part the moves.
  Board board;
  board.Set(fen_opn);
  std::string line = "position startpos moves";
  const char* groups[] = {"a2a3a7a6", "a3a4a6a5", "b2b3b7b6", "c2c4c7c6", "d2d4d7d5",
                          "e2e3e7e6", "g2g3g7g6", "h2h3h7h6", "f2f4f7f5", "h3h4h6h5"};
  for (const char* pawns : groups) {
    const bool last = pawns == groups[9];
    std::vector<std::string> moves = {std::string(pawns, 4), std::string(pawns + 4)};
    for (int i = 0; i < (last ? 67 : 68); i++) moves.push_back(std::string("g1f3g8f6f3g1f6g8").substr(4 * (i % 4), 4));
    if (last) moves.push_back("f8b4");
    for (size_t i = 0; i < moves.size(); i++) {
      ASSERT_TRUE(board.Play(moves[i])) << moves[i];
      line += std::string(2 + 2 * (i % 10), ' ').replace(1, 1, "\t") + moves[i];
    }
  }
  ASSERT_GT(line.size(), 10000u);
  Engine e;
  ASSERT_TRUE(Start(e, {}));
  ASSERT_TRUE(WaitFor(e, "info string et=", 10.0));
  line.resize(65536, ' ');  // the limit itself, with a carriage return
  SendRaw(e, line + "\r\n");
  Send(e, "isready");
  EXPECT_EQ(Until(e, "readyok"), Lines{"readyok"});  // no move refused
  EXPECT_TRUE(LegalReply(e, "go depth 3", board));
  // Pieces of a longer line would run as commands, some of them "isready".
  std::string words;
  while (words.size() < 100000) words += "isready ";
  Send(e, words);
  Send(e, words.substr(0, 65537));
  Send(e, "isready");
  const std::string dropped = "info string input line longer than 65536 characters ignored";
  EXPECT_EQ(Until(e, "readyok"), (Lines{dropped, dropped, "readyok"}));
  EXPECT_EQ(Quit(e), 0);
}

TEST(InputLines, BlanksAndTabsPartWords) {
  Engine e;
  ASSERT_TRUE(Start(e, {}));
  ASSERT_TRUE(WaitFor(e, "info string et=", 10.0));
  Board board;
  board.Set(fen_opn);
  EXPECT_TRUE(LegalReply(e, "go\tdepth\t3", board));
  board.Play("e2e4");
  board.Play("e7e5");
  Send(e, "position\tstartpos moves e2e4\te7e5 \t");
  EXPECT_TRUE(LegalReply(e, "go \t depth 2", board));
  Send(e, " \t\t ");
  Send(e, "isready");
  EXPECT_EQ(Until(e, "readyok"), Lines{"readyok"});
  EXPECT_EQ(Quit(e), 0);

  Engine c;
  ASSERT_TRUE(Start(c, {"-c"}));
  Send(c, "perft\t2");
  EXPECT_EQ(Until(c, "visited").back().rfind("visited 400 nodes", 0), 0u);
  EXPECT_EQ(Quit(c), 0);
}
