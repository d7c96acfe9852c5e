#include <gtest/gtest.h>

#include <random>

#include "board/bitboard.h"

namespace {

constexpr int sq(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }

Bitboard Set(std::initializer_list<const char*> names) {
  Bitboard b = 0;
  for (const char* n : names) b |= SquareBit(sq(n));
  return b;
}

// Walks from s in steps of (df, dr) until a blocker (included) or the edge.
Bitboard SlowRay(int s, int df, int dr, Bitboard occ) {
  Bitboard b = 0;
  for (int f = FileOf(s) + df, r = RankOf(s) + dr; f >= 0 && f < 8 && r >= 0 && r < 8; f += df, r += dr) {
    b |= SquareBit(r * 8 + f);
    if (occ & SquareBit(r * 8 + f)) break;
  }
  return b;
}

class BitboardTables : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitBitboards(); }
};

TEST_F(BitboardTables, KnownEntries) {
  EXPECT_EQ(BB_Between[sq("a1")][sq("h8")], Set({"b2", "c3", "d4", "e5", "f6", "g7"}));
  EXPECT_EQ(BB_Between[sq("a1")][sq("b3")], 0u);
  EXPECT_EQ(BB_Between[sq("e4")][sq("e5")], 0u);
  EXPECT_EQ(BB_Between[sq("e4")][sq("e4")], 0u);
  EXPECT_EQ(BB_Between[sq("h1")][sq("a1")], Set({"b1", "c1", "d1", "e1", "f1", "g1"}));
  EXPECT_EQ(BB_RayNE[sq("h1")], 0u);
  EXPECT_EQ(BB_RayNW[sq("a1")], 0u);
  EXPECT_EQ(BB_KnightRays[sq("a1")], Set({"b3", "c2"}));
  EXPECT_EQ(BB_KnightRays[sq("g1")], Set({"e2", "f3", "h3"}));
  EXPECT_EQ(BB_KingRays[sq("h8")], Set({"g8", "g7", "h7"}));
  EXPECT_EQ(BB_PawnRays[White][sq("a2")], Set({"b3"}));
  EXPECT_EQ(BB_PawnRays[Black][sq("h7")], Set({"g6"}));
  EXPECT_EQ(BB_PawnRays[White][sq("d8")], 0u);
  EXPECT_EQ(BB_PawnRays[Black][sq("d1")], 0u);
  EXPECT_EQ(BB_PawnSpan[White][sq("e4")], 0x3838383800000000ULL);
  EXPECT_EQ(BB_PawnSpan[Black][sq("a5")], 0x03030303ULL);
  EXPECT_EQ(BB_AdjacentSquares[sq("a1")], Set({"b1"}));
  EXPECT_EQ(BB_AdjacentSquares[sq("e4")], Set({"d4", "f4"}));
  EXPECT_EQ(BB_AdjacentFiles[0], 0x0202020202020202ULL);
  EXPECT_EQ(BB_AdjacentFiles[1], 0x0505050505050505ULL);
  EXPECT_EQ(BB_AdjacentFiles[7], 0x4040404040404040ULL);
  EXPECT_EQ(BB_North[0], 0xFFFFFFFFFFFFFF00ULL);
  EXPECT_EQ(BB_North[7], 0u);
  EXPECT_EQ(BB_South[0], 0u);
  EXPECT_EQ(BB_South[7], 0x00FFFFFFFFFFFFFFULL);
  EXPECT_EQ(BB_Front[Black][3], BB_South[3]);
  EXPECT_EQ(BB_Behind[Black][3], BB_North[3]);
  const uint8_t rights[][2] = {{0, 2}, {4, 3}, {7, 1}, {56, 8}, {60, 12}, {63, 4}, {5, 0}};
  for (const auto& r : rights) EXPECT_EQ(csbits[r[0]], r[1]) << int(r[0]);
  EXPECT_EQ(sq_color[sq("a1")], 1);
  EXPECT_EQ(sq_color[sq("b1")], 0);
  EXPECT_EQ(sq_color[sq("h8")], 1);
  EXPECT_STREQ(tbl[sq("e4")], "e4");
}

TEST_F(BitboardTables, AgreeWithSlowWalks) {
  for (int s = 0; s < 64; s++) {
    EXPECT_EQ(BB_RookRays[s], SlowRay(s, 0, 1, 0) | SlowRay(s, 0, -1, 0) | SlowRay(s, 1, 0, 0) | SlowRay(s, -1, 0, 0));
    EXPECT_EQ(BB_BishopRays[s], SlowRay(s, 1, 1, 0) | SlowRay(s, -1, 1, 0) | SlowRay(s, 1, -1, 0) | SlowRay(s, -1, -1, 0));
    EXPECT_EQ(PopCount(BB_KnightRays[s] & BB_KingRays[s]), 0);
    for (int t = 0; t < 64; t++) {
      // Between is the walk toward t with t itself as the only blocker, minus t.
      Bitboard expect = 0;
      for (int df = -1; df <= 1; df++)
        for (int dr = -1; dr <= 1; dr++) {
          if (!df && !dr) continue;
          const Bitboard walk = SlowRay(s, df, dr, SquareBit(t));
          if (walk & SquareBit(t)) expect = walk & ~SquareBit(t);
        }
      EXPECT_EQ(BB_Between[s][t], expect) << s << " " << t;
    }
  }
  std::mt19937_64 rng(7);
  for (int i = 0; i < 2000; i++) {
    const Bitboard occ = rng() & rng();
    const int s = int(rng() % 64);
    EXPECT_EQ(BishopAttacks(s, occ),
              SlowRay(s, 1, 1, occ) | SlowRay(s, -1, 1, occ) | SlowRay(s, 1, -1, occ) | SlowRay(s, -1, -1, occ));
    EXPECT_EQ(RookAttacks(s, occ),
              SlowRay(s, 0, 1, occ) | SlowRay(s, 0, -1, occ) | SlowRay(s, 1, 0, occ) | SlowRay(s, -1, 0, occ));
  }
}

TEST_F(BitboardTables, BitOperationsMatchByteTables) {
  EXPECT_EQ(bitcnt[0], 0);
  EXPECT_EQ(bitcnt[255], 8);
  EXPECT_EQ(MSBTable[0], 0u);
  EXPECT_EQ(MSBTable[1], 0u);
  EXPECT_EQ(MSBTable[128], 7u);
  for (int i = 1; i < 256; i++) {
    const Bitboard b = Bitboard(i) << 40;
    EXPECT_EQ(PopCount(b), bitcnt[i]);
    EXPECT_EQ(MSB(b), int(MSBTable[i]) + 40);
    EXPECT_EQ(LSB(b), 40 + LSB(Bitboard(i)));
    EXPECT_EQ(PopCount(ClearLSB(b)), bitcnt[i] - 1);
  }
  EXPECT_EQ(MSB(~Bitboard(0)), 63);
  EXPECT_EQ(LSB(SquareBit(63)), 63);
}

}  // namespace
