#include "board/see.h"
#include "board_fixture.h"

namespace {

using SeeTest = BoardTest;

Bitboard Occupied(const Position* pos) { return pos->bb[White][0] | pos->bb[Black][0]; }

TEST_F(SeeTest, HandCheckedExchanges) {
  Set("4k3/8/8/3n4/4P3/8/8/4K3 w - -");
  EXPECT_EQ(swapoff(pos, White, NoSquare, Sq("d5")), 330);
  EXPECT_EQ(swapoff(pos, White, Sq("e4"), Sq("d5")), 330);
  EXPECT_EQ(swapoff(pos, Black, NoSquare, Sq("e4")), 0);  // nothing attacks it

  Set("4k3/8/4p3/3p4/8/8/8/3QK3 w - -");
  EXPECT_EQ(swapoff1(pos, White, Sq("d1"), Sq("d5"), Occupied(pos), 0), -900);
  EXPECT_EQ(swapoff1(pos, White, Sq("d1"), Sq("d5"), Occupied(pos), 1), 0);
  EXPECT_EQ(swapoff(pos, White, NoSquare, Sq("d5")), -900);

  // The rook behind joins once the front rook has left (x-ray).
  Set("3r3k/3r4/8/8/8/8/3R4/3RK3 w - -");
  EXPECT_EQ(swapoff(pos, White, NoSquare, Sq("d7")), 530);
  EXPECT_EQ(swapoff(pos, Black, NoSquare, Sq("d2")), 0);  // the king defends too
  Set("3rk3/8/8/3p4/8/5B2/6Q1/4K3 w - -");
  EXPECT_EQ(swapoff(pos, White, NoSquare, Sq("d5")), 100);
  Set("3rk3/8/8/3p4/8/5B2/8/4K3 w - -");
  EXPECT_EQ(swapoff(pos, White, NoSquare, Sq("d5")), -230);

  // Least valuable attacker first: the pawn, not the queen.
  Set("4k3/8/2n5/3r4/2P5/8/8/3QK3 w - -");
  EXPECT_EQ(swapoff1(pos, White, NoSquare, Sq("d5"), Occupied(pos), 0), 530);

  // A king may not take into a defended square; a king on the square ends it.
  Set("4k3/8/8/8/8/4p3/3r4/4K3 w - -");
  EXPECT_LT(swapoff1(pos, White, Sq("e1"), Sq("d2"), Occupied(pos), 0), -9000);
  EXPECT_EQ(swapoff1(pos, White, Sq("e1"), Sq("d2"), Occupied(pos), 1), 0);
  EXPECT_LT(swapoff(pos, White, Sq("e1"), Sq("d2")), -9000);
  Set("4k3/8/8/8/8/8/3n4/4K3 b - -");
  EXPECT_EQ(swapoff(pos, White, NoSquare, Sq("e8")), 0);
  EXPECT_EQ(swapoff1(pos, Black, Sq("d2"), Sq("e1"), Occupied(pos), 0), 9999);
  EXPECT_EQ(swapoff(pos, Black, Sq("d2"), Sq("e1")), 9999);

  // Promotions count as the pawn they are; the board is left as it was.
  Set("1n2k3/P7/8/8/8/8/8/4K3 w - -");
  const Position before = *pos;
  EXPECT_EQ(swapoff(pos, White, Sq("a7"), Sq("b8")), 330);
  EXPECT_EQ(swapoff1(pos, White, Sq("a7"), Sq("a8"), Occupied(pos), 0), 0);
  EXPECT_EQ(std::memcmp(pos, &before, sizeof before), 0);
}

}  // namespace
