#include <string>
#include <vector>

#include "board/movegen.h"
#include "board_fixture.h"

namespace {

std::string Text(Move m) {
  std::string s = tbl[MoveFrom(m)];
  s += tbl[MoveTo(m)];
  if (m & PromoQueen) s += "q";
  if (m & PromoKnight) s += "n";
  if (m & PromoBishop) s += "b";
  if (m & PromoRook) s += "r";
  return s;
}

std::string Texts(const MoveEntry* begin, const MoveEntry* end) {
  std::string s;
  for (; begin != end; begin++) {
    if (!s.empty()) s += ' ';
    s += Text(begin->move);
  }
  return s;
}

using MoveGenTest = BoardTest;

TEST_F(MoveGenTest, StartPositionOrder) {
  Set(fen_opn);
  MoveEntry* list = td->moves + 1;
  EXPECT_EQ(GenerateCaptures(pos, White, list), list);
  EXPECT_EQ(GeneratePromotions(pos, White, 1, list), list);
  MoveEntry* end = GenerateQuiets(pos, White, list);
  EXPECT_EQ(Texts(list, end),
            "a2a3 a2a4 b2b3 b2b4 c2c3 c2c4 d2d3 d2d4 e2e3 e2e4 f2f3 f2f4 g2g3 g2g4 h2h3 h2h4 "
            "b1a3 b1c3 g1f3 g1h3");
  EXPECT_EQ(list[0].piece, PieceCode(Pawn, White));
  EXPECT_EQ(list[19].piece, PieceCode(Knight, White));
  EXPECT_EQ(Texts(list, GenerateQuiets(pos, Black, list)),
            "a7a6 a7a5 b7b6 b7b5 c7c6 c7c5 d7d6 d7d5 e7e6 e7e5 f7f6 f7f5 g7g6 g7g5 h7h6 h7h5 "
            "b8a6 b8c6 g8f6 g8h6");
}

TEST_F(MoveGenTest, CapturesInOrderWithCapturedCodes) {
  Set("r3k3/1P6/2n1p3/1q1r4/2P1QN2/8/8/R3K3 w - -");
  MoveEntry* list = td->moves + 1;
  MoveEntry* end = GenerateCaptures(pos, White, list);
  EXPECT_EQ(Texts(list, end), "c4b5 c4d5 f4d5 f4e6 a1a8 e4d5 e4e6");
  EXPECT_EQ(list[0].captured, PieceCode(Queen, Black));
  EXPECT_EQ(list[0].piece, PieceCode(Pawn, White));
  EXPECT_EQ(list[6].captured, PieceCode(Pawn, Black));
  Set("4k3/8/8/8/8/8/1p6/NQ2K3 b - -");
  EXPECT_EQ(Texts(list, GenerateCaptures(pos, Black, list)), "");
}

TEST_F(MoveGenTest, PromotionsAndEnPassant) {
  // A blocked push gives nothing; a capture gives one or four entries.
  Set("1n2k3/P7/8/8/8/8/8/4K3 w - -");
  MoveEntry* list = td->moves + 1;
  EXPECT_EQ(Texts(list, GeneratePromotions(pos, White, 0, list)), "a7a8q a7b8q");
  EXPECT_EQ(Texts(list, GeneratePromotions(pos, White, 1, list)),
            "a7a8q a7a8n a7a8b a7a8r a7b8q a7b8n a7b8b a7b8r");
  Set("nn2k3/P7/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(Texts(list, GeneratePromotions(pos, White, 0, list)), "a7b8q");
  EXPECT_EQ(list[0].captured, PieceCode(Knight, Black));
  // Promotion captures are not plain captures.
  EXPECT_EQ(Texts(list, GenerateCaptures(pos, White, list)), "");
  Set("4k3/8/8/8/8/8/p7/1N2K3 b - -");
  EXPECT_EQ(Texts(list, GeneratePromotions(pos, Black, 1, list)),
            "a2a1q a2a1n a2a1b a2a1r a2b1q a2b1n a2b1b a2b1r");

  Set("4k3/8/8/2pP4/8/8/8/4K3 w - c6");
  MoveEntry* end = GenerateCaptures(pos, White, list);
  EXPECT_EQ(Texts(list, end), "d5c6");
  EXPECT_EQ(list[0].captured, 0);
  pos->ep = NoSquare;
  EXPECT_EQ(GenerateCaptures(pos, White, list), list);
}

TEST_F(MoveGenTest, CastlingComesLastAndIgnoresAttacks) {
  Set("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  pos->castling = 15;
  MoveEntry* list = td->moves + 1;
  MoveEntry* end = GenerateQuiets(pos, White, list);
  EXPECT_EQ(Text(end[-2].move), "e1g1");
  EXPECT_EQ(Text(end[-1].move), "e1c1");
  Set("r3k2r/8/8/8/8/8/8/RN2K1NR w KQkq -");
  end = GenerateQuiets(pos, White, list);
  EXPECT_NE(Text(end[-1].move), "e1c1");
  EXPECT_NE(Text(end[-1].move), "e1g1");
  Set("4k3/8/8/8/8/8/4r3/R3K2R w KQ -");
  end = GenerateQuiets(pos, White, list);
  EXPECT_EQ(Text(end[-2].move), "e1g1");
  EXPECT_EQ(Text(end[-1].move), "e1c1");
}

TEST_F(MoveGenTest, GenerateAllEndsListAndSetsNextStarts) {
  Set(fen_opn);
  GenerateAll(pos);
  const int start = td->ply[1].list_start;
  EXPECT_EQ(td->moves[start + 20].move, EndOfList);
  EXPECT_EQ(td->ply[2].list_start, start + 21);
  EXPECT_EQ(td->ply[3].list_start, start + 21);
  // A ply that drifted off the records generates at the root ply.
  td->search_ply = -1;
  GenerateAll(pos);
  EXPECT_EQ(td->search_ply, 1);
  td->search_ply = kMaxPly;
  GenerateAll(pos);
  EXPECT_EQ(td->search_ply, 1);
  EXPECT_EQ(td->moves[start + 20].move, EndOfList);
}

}  // namespace
