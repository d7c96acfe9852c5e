#include <sstream>
#include <string>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board_fixture.h"

namespace {

using AttacksTest = BoardTest;

TEST_F(AttacksTest, SquareAttacks) {
  Set("4k3/8/8/3p4/8/1n3b2/8/R3K3 b - -");
  EXPECT_TRUE(SqAtakd(pos, Sq("e4"), Black));  // pawn
  EXPECT_TRUE(SqAtakd(pos, Sq("d2"), Black));  // knight
  EXPECT_TRUE(SqAtakd(pos, Sq("d7"), Black));  // king
  EXPECT_TRUE(SqAtakd(pos, Sq("h1"), Black));  // bishop
  EXPECT_TRUE(SqAtakd(pos, Sq("d5"), Black));  // own pieces are defended
  EXPECT_FALSE(SqAtakd(pos, Sq("h4"), Black));
  EXPECT_TRUE(SqAtakd(pos, Sq("a8"), White));  // rook up the file
  EXPECT_FALSE(SqAtakd(pos, Sq("e3"), White));
  EXPECT_FALSE(SqAtakd(pos, Sq("c6"), Black));  // behind the pawn
}

TEST_F(AttacksTest, Legality) {
  // Castling: not through, into or out of an attack; b1 may be attacked.
  Set("4k3/8/8/8/8/8/5r2/R3K2R w KQ -");
  EXPECT_FALSE(MoveIsLegal(pos, White, M("e1", "g1")));
  EXPECT_TRUE(MoveIsLegal(pos, White, M("e1", "c1")));
  Set("4k3/8/8/8/8/8/6r1/R3K2R w KQ -");
  EXPECT_FALSE(MoveIsLegal(pos, White, M("e1", "g1")));
  Set("4k3/8/8/8/8/8/4r3/R3K2R w KQ -");
  EXPECT_FALSE(MoveIsLegal(pos, White, M("e1", "g1")));
  EXPECT_FALSE(MoveIsLegal(pos, White, M("e1", "c1")));
  Set("4k3/8/8/8/8/8/1r6/R3K2R w KQ -");
  EXPECT_TRUE(MoveIsLegal(pos, White, M("e1", "c1")));
  EXPECT_TRUE(MoveIsLegal(pos, White, M("e1", "g1")));

  // En passant that opens the rank to the king.
  Set("8/8/8/KPp4r/8/8/8/7k w - c6");
  EXPECT_EQ(pos->ep, Sq("c6"));
  EXPECT_FALSE(MoveIsLegal(pos, White, M("b5", "c6")));
  EXPECT_TRUE(MoveIsLegal(pos, White, M("b5", "b6")));
  Set("8/8/8/1Pp4r/K7/8/8/7k w - c6");
  EXPECT_TRUE(MoveIsLegal(pos, White, M("b5", "c6")));

  // King captures: not of a defended piece; yes of an undefended checker.
  Set("4k3/8/8/8/8/4p3/3r4/4K3 w - -");
  EXPECT_FALSE(MoveIsLegal(pos, White, M("e1", "d2")));
  EXPECT_FALSE(MoveIsLegal(pos, White, M("e1", "f2")));
  EXPECT_TRUE(MoveIsLegal(pos, White, M("e1", "f1")));
  Set("4k3/8/8/8/8/8/4r3/4K3 w - -");
  EXPECT_TRUE(MoveIsLegal(pos, White, M("e1", "e2")));
  EXPECT_FALSE(MoveIsLegal(pos, White, M("e1", "d2")));

  // A pinned piece stays; capturing the pinner is fine; the null move never.
  Set("4k3/4r3/8/8/8/8/4B3/4K3 w - -");
  EXPECT_FALSE(MoveIsLegal(pos, White, M("e2", "d3")));
  Set("4k3/4r3/8/8/8/8/4R3/4K3 w - -");
  EXPECT_TRUE(MoveIsLegal(pos, White, M("e2", "e7")));
  EXPECT_FALSE(MoveIsLegal(pos, White, NullMove));
  // The test leaves the bitboards as they were.
  const Position before = *pos;
  MoveIsLegal(pos, White, M("e2", "e7"));
  EXPECT_EQ(std::memcmp(pos, &before, sizeof before), 0);
}

TEST_F(AttacksTest, RemoveIllegalMovesKeepsOrder) {
  Set("4k3/8/8/8/8/8/4r3/3QK3 w - -");
  GenerateAll(pos);
  MoveEntry* list = &td->moves[td->ply[1].list_start];
  RemoveIllegalMoves(pos, White, list);
  std::string moves;
  for (MoveEntry* e = list; e->move != EndOfList; e++) moves += std::string(tbl[MoveFrom(e->move)]) + tbl[MoveTo(e->move)] + " ";
  EXPECT_EQ(moves, "d1e2 e1e2 e1f1 ");
  Set("7k/5Q2/6K1/8/8/8/8/8 b - -");
  GenerateAll(pos);
  RemoveIllegalMoves(pos, Black, list);
  EXPECT_EQ(list[0].move, EndOfList);
}

TEST_F(AttacksTest, MateAndStalemate) {
  Set(fen_opn);
  EXPECT_EQ(IsMate(pos, 0), 0);
  Set("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -");
  EXPECT_EQ(IsMate(pos, 1), 1);
  Set("7k/5Q2/6K1/8/8/8/8/8 b - -");
  EXPECT_EQ(IsMate(pos, 0), 2);
}

TEST_F(AttacksTest, FiftyMovesAndRepetition) {
  Set(fen_opn);
  const Move shuffle[] = {M("g1", "f3"), M("g8", "f6"), M("f3", "g1"), M("f6", "g8")};
  MakeMove(pos, shuffle[0]);
  MakeMove(pos, shuffle[1]);
  MakeMove(pos, shuffle[2]);
  EXPECT_EQ(IsDraw(pos, 0, 2), 0);  // fifty 3
  MakeMove(pos, shuffle[3]);
  EXPECT_EQ(IsDraw(pos, 0, 2), 2);
  EXPECT_EQ(IsDraw(pos, 0, 3), 0);
  for (Move m : shuffle) MakeMove(pos, m);
  EXPECT_EQ(IsDraw(pos, 0, 3), 2);
  // A pawn move ends the walk back.
  MakeMove(pos, M("e2", "e4"));
  MakeMove(pos, M("e7", "e5"));
  for (Move m : shuffle) MakeMove(pos, m);
  EXPECT_EQ(IsDraw(pos, 0, 3), 0);
  EXPECT_EQ(IsDraw(pos, 0, 2), 2);

  Set("4k3/8/8/8/8/8/8/4K2R w - -");
  pos->fifty = 3;
  EXPECT_EQ(IsDraw(pos, 0, 2), 0);
  pos->fifty = 100;
  EXPECT_EQ(IsDraw(pos, 0, 2), 1);
  Set("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -");
  pos->fifty = 100;
  EXPECT_EQ(IsDraw(pos, 1, 2), 0);
}

// A position repeats only with the same castling rights and the same
// en-passant captures; a square that no pawn can lawfully take on is no
// difference. Each game returns twice to the position after its first move.
TEST_F(AttacksTest, RepetitionNeedsTheSameRightsAndCaptures) {
  struct Case {
    const char* fen;
    const char* moves;
    int thrice, twice;  // IsDraw with three and with two occurrences
  };
  const Case cases[] = {
      {"k2r4/8/8/3q4/8/8/8/4K1NR w K -", "g1f3 a8b8 f3g1 b8a8 g1f3 a8b8 h1h2 b8a8 h2h1", 0, 0},
      {"k2r4/8/8/3q4/8/8/8/4K1NR w - -", "g1f3 a8b8 f3g1 b8a8 g1f3 a8b8 h1h2 b8a8 h2h1", 2, 2},
      {"k2r4/8/8/3q4/1p6/5N2/2P5/1K6 w - -", "c2c4 a8b8 f3g1 b8a8 g1f3 a8b8 f3g1 b8a8 g1f3", 0, 2},
      {"k2r4/8/8/3q4/6p1/5N2/2P5/1K6 w - -", "c2c4 a8b8 f3g1 b8a8 g1f3 a8b8 f3g1 b8a8 g1f3", 2, 2},
      // bxc3 would open the rank to the king.
      {"8/8/8/3q4/kp5R/5N2/2P5/1K6 w - -", "c2c4 d5d6 f3g1 d6d5 g1f3 d5d6 f3g1 d6d5 g1f3", 2, 2},
  };
  for (const Case& c : cases) {
    Set(c.fen);
    std::istringstream moves(c.moves);
    for (std::string m; moves >> m;) MakeMove(pos, M(m.c_str(), m.c_str() + 2));
    EXPECT_EQ(IsDraw(pos, 0, 3), c.thrice) << c.fen;
    EXPECT_EQ(IsDraw(pos, 0, 2), c.twice) << c.fen;
  }
}

TEST_F(AttacksTest, GivesCheck) {
  Set("4k3/8/8/8/8/8/4P3/R3K1NB w - -");
  EXPECT_EQ(GivesCheck(pos, M("g1", "f3")), 0);
  Set("4k3/8/8/8/8/8/3P4/R3K1N1 w - -");
  EXPECT_EQ(GivesCheck(pos, M("g1", "f3")), 0);
  Set("4k3/8/8/8/6N1/8/3P4/R3K3 w - -");
  EXPECT_EQ(GivesCheck(pos, M("g4", "f6")), 1);   // knight
  Set("4k3/8/3P4/8/8/8/8/R3K3 w - -");
  EXPECT_EQ(GivesCheck(pos, M("d6", "d7")), 1);   // pawn
  Set("4k3/8/8/8/8/8/8/R3K3 w - -");
  EXPECT_EQ(GivesCheck(pos, M("a1", "a8")), 1);   // rook along the rank
  Set("4k3/8/8/8/8/8/8/R2nK3 w - -");
  EXPECT_EQ(GivesCheck(pos, M("a1", "a7")), 0);
  Set("7k/4P3/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(GivesCheck(pos, M("e7", "e8", PromoQueen)), 1);
  EXPECT_EQ(GivesCheck(pos, M("e7", "e8", PromoKnight)), 0);
  EXPECT_EQ(GivesCheck(pos, M("e7", "e8", PromoRook)), 1);
  // Discovered: the knight leaves the bishop's diagonal; it wins over direct.
  Set("7k/8/8/8/3N4/8/1B6/4K3 w - -");
  EXPECT_EQ(GivesCheck(pos, M("d4", "e2")), 2);
  EXPECT_EQ(GivesCheck(pos, M("d4", "f7")), 2);
  Set("7k/6p1/8/3N4/8/8/1B6/4K3 w - -");
  EXPECT_EQ(GivesCheck(pos, M("d5", "f6")), 0);
  // Castling and en passant count as the plain king or pawn move.
  Set("5k2/8/8/8/8/8/8/4K2R w K -");
  EXPECT_EQ(GivesCheck(pos, M("e1", "g1")), 0);
  Set("8/8/8/R2pP2k/8/8/8/4K3 w - d6");
  EXPECT_EQ(GivesCheck(pos, M("e5", "d6")), 0);
}

}  // namespace
