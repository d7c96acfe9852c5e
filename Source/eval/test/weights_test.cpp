#include <gtest/gtest.h>

#include "eval/packed.h"
#include "eval/test/eval_fixture.h"

namespace {

std::pair<int, int> Halves(int32_t v) { return {OpOf(v), EnOf(v)}; }
using P = std::pair<int, int>;

// Row of one piece-square table's opening (0) or endgame (1) half, files a..h.
std::vector<int> Row(const int32_t* table, int rank, int half) {
  std::vector<int> row;
  for (int f = 0; f < 8; f++) {
    int32_t v = table[(rank - 1) * 8 + f];
    row.push_back(half ? EnOf(v) : OpOf(v));
  }
  return row;
}

TEST(Packed, RoundTripsNegativeHalves) {
  for (int op : {-32768, -7, -1, 0, 1, 32767})
    for (int en : {-32768, -9, -1, 0, 1, 32767}) {
      EXPECT_EQ(OpOf(S(op, en)), op);
      EXPECT_EQ(EnOf(S(op, en)), en);
    }
  // Tapering truncates toward zero: -1 * 23 / 24 is 0, not -1.
  EXPECT_EQ(Taper(S(-1, 0), 1), 0);
  EXPECT_EQ(Taper(S(10, 34), 12), 22);
}

TEST(Weights, DefaultsMatchHandDerivedValues) {
  SetEvalDefaults();
  const EvalParamsRecord& e = EvalParams;
  EXPECT_EQ(Halves(e.piece_value[0]), P(90, 110));
  EXPECT_EQ(Halves(e.piece_value[4]), P(1180, 1180));
  EXPECT_EQ(Halves(e.bishop_pair), P(32, 52));
  EXPECT_EQ(Halves(e.lone_queen), P(-50, -50));

  // i^1.9 * 0.44 rounded, growth capped by 450/i: 10^1.9 * 0.44 = 34.97 -> 35.
  const int16_t start[] = {0, 0, 2, 4, 6, 9, 13, 18, 23, 29, 35, 42, 49, 58, 66, 76, 85, 96, 107, 118};
  for (int i = 0; i < 20; i++) EXPECT_EQ(e.KingDanger[i], start[i]) << i;
  const int16_t end[] = {588, 595, 602, 609};
  for (int i = 0; i < 4; i++) EXPECT_EQ(e.KingDanger[60 + i], end[i]) << i;

  // nmob[0] = lround(50 * -0.5) - 5 = -30; qmob[0] = lround(34 * -0.4) - 8 = -22.
  EXPECT_EQ(Halves(e.nmob[0]), P(-30, -35));
  EXPECT_EQ(Halves(e.bmob[0]), P(-22, -25));
  EXPECT_EQ(Halves(e.rmob[0]), P(-20, -23));
  EXPECT_EQ(Halves(e.qmob[0]), P(-22, -39));
  EXPECT_EQ(Halves(e.nmob[8]), P(25, 30));
  EXPECT_EQ(Halves(e.bmob[8]), P(12, 14));
  EXPECT_EQ(Halves(e.rmob[8]), P(10, 12));
  EXPECT_EQ(Halves(e.qmob[8]), P(2, 6));
  EXPECT_EQ(Halves(e.nmob[14]), P(0, 0));
  EXPECT_EQ(Halves(e.bmob[14]), P(26, 30));
  EXPECT_EQ(Halves(e.rmob[14]), P(22, 27));
  EXPECT_EQ(Halves(e.qmob[14]), P(9, 20));
  EXPECT_EQ(Halves(e.qmob[28]), P(20, 47));
  EXPECT_EQ(Halves(e.qmob[29]), P(0, 0));
  EXPECT_EQ(Halves(e.bextra[5]), P(17, 20));
  EXPECT_EQ(Halves(e.rextra[5]), P(15, 17));
  EXPECT_EQ(Halves(e.bextra[0]), P(0, 0));

  // 90 * 0.25 = 22.5 and 135 * 0.3 = 40.5 round away from zero.
  EXPECT_EQ(P(e.ppawn_op[4], e.ppawn_en[4]), P(23, 41));
  EXPECT_EQ(P(e.ppawn_op[6], e.ppawn_en[6]), P(90, 135));
  EXPECT_EQ(P(e.ppawn_op[1], e.ppawn_op[2]), P(0, 0));
  EXPECT_EQ(P(e.ppawn_op[7], e.ppawn_en[7]), P(240, 240));

  EXPECT_EQ(Halves(e.pawn_shield), P(68, 0));
  EXPECT_EQ(Halves(e.pawn_storm), P(-11, 0));
  EXPECT_EQ(Halves(e.hung_pawn), P(-20, -30));
  EXPECT_EQ(Halves(e.hung_piece), P(-32, -42));
  EXPECT_EQ(Halves(e.knight_outpost), P(16, 0));
  EXPECT_EQ(Halves(e.knight_outpost_half), P(8, 0));
  EXPECT_EQ(Halves(e.bishop_outpost), P(16, 0));
  EXPECT_EQ(Halves(e.pawn_doubled), P(-4, -6));

  // Knight a1: 36 * -32 / 42 = -27; king a1: 32 * 4 / 32 = 4; pawn a2: 28 * -4 / 16 = -7.
  EXPECT_EQ(Row(e.pst[1], 1, 0), (std::vector<int>{-27, -18, -12, -9, -9, -12, -18, -27}));
  EXPECT_EQ(Row(e.pst[5], 1, 0), (std::vector<int>{4, 8, 0, -8, -8, 0, 8, 4}));
  EXPECT_EQ(Row(e.pst[0], 2, 0), (std::vector<int>{-7, -1, 1, 1, 1, 1, -1, -7}));
  // Queen rank 5 carries the extra -4 of the upper half.
  EXPECT_EQ(Row(e.pst[4], 4, 0), (std::vector<int>{-5, -1, 1, 2, 2, 1, -1, -5}));
  EXPECT_EQ(Row(e.pst[4], 5, 0), (std::vector<int>{-9, -5, -3, -2, -2, -3, -5, -9}));
  for (int r = 1; r <= 8; r++) EXPECT_EQ(Row(e.pst[3], r, 1), std::vector<int>(8, 0));
  EXPECT_EQ(Row(e.connected, 7, 0), (std::vector<int>{48, 56, 64, 64, 64, 64, 56, 48}));
  EXPECT_EQ(Row(e.connected, 7, 1), (std::vector<int>{48, 56, 64, 64, 64, 64, 56, 48}));

  EXPECT_EQ(leftbit[0], 8);
  EXPECT_EQ(rightbit[0], 255);
  EXPECT_EQ(leftbit[0b10110100], 2);
  EXPECT_EQ(rightbit[0b10110100], 7);
}

TEST(Weights, OptionsReshapeDerivedTables) {
  SetEvalDefaults();
  Personality.king_safety = 0;
  Personality.mobility_scale_op = Personality.mobility_scale_en = 0;
  Personality.knight_outpost = -7;
  SetEvalParams();
  const EvalParamsRecord& e = EvalParams;
  for (int i = 0; i < 64; i++) EXPECT_EQ(e.KingDanger[i], 0);
  // The lowered count-0 entries are scaled to zero as well.
  for (int n = 0; n < 16; n++) EXPECT_EQ(e.nmob[n] | e.bmob[n] | e.rmob[n], 0);
  for (int n = 0; n < 32; n++) EXPECT_EQ(e.qmob[n], 0);
  for (int n = 0; n < 6; n++) EXPECT_EQ(e.bextra[n] | e.rextra[n], 0);
  EXPECT_EQ(Halves(e.knight_outpost_half), P(-3, 0));

  // Halving the structure scale halves the pawn table: a2 opening -7 -> lround(-3.5) = -4.
  SetEvalDefaults();
  Personality.pawn_struct_scale_op = 50;
  SetEvalParams();
  EXPECT_EQ(OpOf(EvalParams.pst[0][8]), -4);
  EXPECT_EQ(OpOf(EvalParams.pawn_doubled), -2);
  SetEvalDefaults();
}

TEST(Weights, CacheSaltsFollowTheWeights) {
  SetEvalDefaults();
  EvalCacheSalts a = EvalSalts;
  EXPECT_NE(a.eval[0], a.eval[1]);
  EXPECT_NE(a.eval[1], a.eval[2]);
  Personality.pawn_doubled_op = -5;
  SetEvalParams();
  EXPECT_NE(EvalSalts.pawn, a.pawn);
  EXPECT_NE(EvalSalts.eval[0], a.eval[0]);
  Personality.Contempt = 10;
  SetEvalDefaults();
  EXPECT_EQ(EvalSalts.pawn, a.pawn);
  EXPECT_EQ(EvalSalts.eval[2], a.eval[2]);
}

}  // namespace
