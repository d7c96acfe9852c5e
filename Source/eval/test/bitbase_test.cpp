#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "board/bitboard.h"
#include "eval/bitbase.h"

namespace {

// An exact solution of king and pawn against king, by repeated backward
// induction over every file, written from the rules of chess alone: the pawn
// may promote to a queen or a rook, and a stalemate is a draw.
class KPKSolver {
 public:
  KPKSolver() : win_(2 * 64 * 64 * 64, 0) {
    for (bool changed = true; changed;) {
      changed = false;
      for (int stm = 0; stm < 2; stm++)
        for (int p = 8; p < 56; p++)
          for (int s = 0; s < 64; s++)
            for (int w = 0; w < 64; w++) {
              if (win_[Idx(stm, p, s, w)] || !Legal(stm, p, s, w)) continue;
              if (stm == 0 ? WhiteWins(p, s, w) : BlackLoses(p, s, w)) {
                win_[Idx(stm, p, s, w)] = 1;
                changed = true;
              }
            }
    }
  }

  // White (the pawn's side) has the pawn; stm 0 = White to move.
  bool Win(int stm, int p, int s, int w) const { return win_[Idx(stm, p, s, w)]; }

  static bool Legal(int stm, int p, int s, int w) {
    if (p == s || p == w || s == w || Dist(s, w) <= 1) return false;
    return stm == 1 || !PawnAttacks(p, w);
  }

 private:
  std::vector<uint8_t> win_;

  static int Idx(int stm, int p, int s, int w) { return ((stm * 64 + p) * 64 + s) * 64 + w; }
  static int Dist(int a, int b) {
    return std::max(std::abs(a % 8 - b % 8), std::abs(a / 8 - b / 8));
  }
  static bool PawnAttacks(int p, int q) {
    return q / 8 == p / 8 + 1 && std::abs(q % 8 - p % 8) == 1;
  }
  static std::vector<int> Steps(int k) {
    std::vector<int> out;
    for (int df = -1; df <= 1; df++)
      for (int dr = -1; dr <= 1; dr++) {
        int f = k % 8 + df, r = k / 8 + dr;
        if ((df || dr) && f >= 0 && f < 8 && r >= 0 && r < 8) out.push_back(r * 8 + f);
      }
    return out;
  }
  // Squares a queen (diagonal too) or rook on q attacks, blocked by the king on s.
  static bool PieceAttacks(bool queen, int q, int s, int target) {
    for (int df = -1; df <= 1; df++)
      for (int dr = -1; dr <= 1; dr++) {
        if (!(df || dr) || (!queen && df && dr)) continue;
        for (int f = q % 8 + df, r = q / 8 + dr; f >= 0 && f < 8 && r >= 0 && r < 8; f += df, r += dr) {
          if (r * 8 + f == target) return true;
          if (r * 8 + f == s) break;
        }
      }
    return false;
  }
  // After promotion on q, Black to move: lost unless Black can take the new
  // piece for free or has no move while not in check (king and queen or rook
  // against king wins from every other position).
  static bool PromotionWins(bool queen, int q, int s, int w) {
    if (Dist(w, q) <= 1 && Dist(s, q) > 1) return false;
    for (int to : Steps(w))
      if (Dist(to, s) > 1 && to != q && !PieceAttacks(queen, q, s, to)) return true;
    return PieceAttacks(queen, q, s, w);  // no move: mate or stalemate
  }
  bool WhiteWins(int p, int s, int w) const {
    for (int to : Steps(s))
      if (to != p && Dist(to, w) > 1 && Win(1, p, to, w)) return true;
    int q = p + 8;
    if (q == s || q == w) return false;
    if (q >= 56) return PromotionWins(true, q, s, w) || PromotionWins(false, q, s, w);
    if (Win(1, q, s, w)) return true;
    return p < 16 && q + 8 != s && q + 8 != w && Win(1, q + 8, s, w);
  }
  bool BlackLoses(int p, int s, int w) const {
    bool any = false;
    for (int to : Steps(w)) {
      if (Dist(to, s) <= 1 || PawnAttacks(p, to)) continue;
      if (to == p) return false;  // the pawn falls
      any = true;
      if (!Win(0, p, s, to)) return false;
    }
    return any || PawnAttacks(p, w);  // no move: mate wins, stalemate draws
  }
};

int Entry(int side, int p, int s, int w) {
  return kpk_db[side << 17 | ((p & 7) + 4 * (p >> 3)) << 12 | s << 6 | w];
}

int Sq(const char* n) { return (n[1] - '1') * 8 + (n[0] - 'a'); }

TEST(KPKBitbase, AgreesWithAnExactSolution) {
  InitBitboards();
  BuildKPKBitbase();
  KPKSolver exact;
  int wins[2] = {0, 0}, draws[2] = {0, 0}, illegal[2] = {0, 0}, mismatches = 0;
  for (int side = 0; side < 2; side++)
    for (int p = 8; p < 56; p++) {
      if (p % 8 > 3) continue;
      for (int s = 0; s < 64; s++)
        for (int w = 0; w < 64; w++) {
          int v = Entry(side, p, s, w);
          ASSERT_TRUE(v == 0 || v == 1 || v == 2);
          int want = !KPKSolver::Legal(side, p, s, w) ? 0 : exact.Win(side, p, s, w) ? 2 : 1;
          mismatches += v != want;
          if (mismatches && v != want && mismatches < 5)
            ADD_FAILURE() << "side " << side << " pawn " << p << " kings " << s << "," << w
                          << ": " << v << " expected " << want;
          (v == 2 ? wins : v == 1 ? draws : illegal)[side]++;
        }
    }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(wins[0], 62480);
  EXPECT_EQ(draws[0], 19184);
  EXPECT_EQ(illegal[0], 16640);
  EXPECT_EQ(wins[1], 48802);
  EXPECT_EQ(draws[1], 35210);
  EXPECT_EQ(illegal[1], 14292);

  // The solver itself is blind to the a-to-d folding: files e to h mirror a to d.
  for (int p = 8; p < 56; p++)
    for (int s = 0; s < 64; s += 3)
      for (int w = 0; w < 64; w++)
        ASSERT_EQ(exact.Win(0, p, s, w), exact.Win(0, p ^ 7, s ^ 7, w ^ 7));

  // Ke6 Pe5 v Ke8 with the pawn's side to move, folded onto the d-file: a win.
  EXPECT_EQ(Entry(0, Sq("d5"), Sq("d6"), Sq("d8")), 2);
  // Opposition: Kd5 Pd4 v Kd7 is a draw with White to move, a win with Black to move.
  EXPECT_EQ(Entry(0, Sq("d4"), Sq("d5"), Sq("d7")), 1);
  EXPECT_EQ(Entry(1, Sq("d4"), Sq("d5"), Sq("d7")), 2);
  // Rook pawn with the defender in the corner: Kb6 Pa6 v Ka8 draws either way.
  EXPECT_EQ(Entry(0, Sq("a6"), Sq("b6"), Sq("a8")), 1);
  EXPECT_EQ(Entry(1, Sq("a6"), Sq("b6"), Sq("a8")), 1);
  // A push onto the defending king is no move: Ka1 Pd7 v Kd8 loses the pawn.
  EXPECT_EQ(Entry(0, Sq("d7"), Sq("a1"), Sq("d8")), 1);
  // Rule of the square: Ka1 Pa4 v Ke5 is a draw with either side to move.
  EXPECT_EQ(Entry(0, Sq("a4"), Sq("a1"), Sq("e5")), 1);
  EXPECT_EQ(Entry(1, Sq("a4"), Sq("a1"), Sq("e5")), 1);
}

}  // namespace
