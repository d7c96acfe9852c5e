#include "eval/weights.h"

#include <algorithm>
#include <cmath>
#include <bit>
#include <type_traits>

#include "engine/params.h"
#include "eval/packed.h"

EvalParamsRecord EvalParams;
uint8_t leftbit[256];
uint8_t rightbit[256];
EvalCacheSalts EvalSalts;

// The salts hash the record's bytes, so it must have no padding.
static_assert(std::has_unique_object_representations_v<EvalParamsRecord>);

namespace {

// Half-board templates, files a to d, rank 1 first.
constexpr int8_t kPawnOp[32] = {0, 0, 0, 0,   -4, -1, 1, 1,  -3, 0, 1, 2,    0, 2, 4, 6,
                                3, 5, 7, 9,    6, 8, 10, 12,  6, 8, 10, 12,  0, 0, 0, 0};
constexpr int8_t kPawnEn[32] = {0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  3, 3, 3, 3,
                                6, 6, 6, 6,  8, 8, 8, 8,  8, 8, 8, 8,  0, 0, 0, 0};
constexpr int8_t kKnight[32] = {-32, -21, -14, -11, -21, -11, -4, 0,  -14, -4, 3, 6,  -11, 0, 6, 10,
                                -11, 0, 6, 10,     -14, -4, 3, 6,   -21, -11, -4, 0,
                                -32, -21, -14, -11};
constexpr int8_t kBishop[32] = {-12, -8, -6, -5, -8, 1, -2, -1, -6, -2, 0, 1, -5, -1, 1, 2,
                                -5, -1, 1, 2,    -6, -2, 0, 1,  -8, 0, -2, -1, -12, -8, -6, -5};
constexpr int8_t kRook[32] = {-6, -3, 0, 2, -6, -3, 0, 2, -6, -3, 0, 2, -6, -3, 0, 2,
                              -6, -3, 0, 2, -6, -3, 0, 2, -6, -3, 0, 2, -6, -3, 0, 2};
constexpr int8_t kQueen[32] = {-12, -8, -6, -5, -8, -5, -2, -1, -6, -2, 0, 1, -5, -1, 1, 2,
                               -5, -1, 1, 2,    -6, -2, 0, 1,   -8, -5, -2, -1, -12, -8, -6, -5};
constexpr int8_t kKingOp[32] = {4, 8, 0, -8,        -2, -6, -10, -14,  -8, -12, -16, -20,
                                -12, -16, -20, -24, -12, -16, -20, -24, -12, -16, -20, -24,
                                -12, -16, -20, -24, -12, -16, -20, -24};
constexpr int8_t kKingEn[32] = {-50, -35, -25, -20, -35, -20, -10, -5, -25, -10, 0, 5,
                                -20, -5, 5, 10,     -20, -5, 5, 10,   -25, -10, 0, 5,
                                -35, -20, -10, -5,  -50, -35, -25, -20};
constexpr int8_t kConnected[32] = {0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  2, 3, 4, 4,
                                   6, 7, 8, 8,  12, 14, 16, 16,  24, 28, 32, 32,  0, 0, 0, 0};
constexpr int8_t kDefended[32] = {0, 0, 0, 0,  0, 0, 0, 0,  1, 1, 1, 1,  2, 3, 4, 4,
                                  4, 5, 6, 6,  4, 6, 8, 8,  4, 6, 8, 8,  0, 0, 0, 0};

constexpr double kPassedOp[7] = {0, 0, 0, 0.1, 0.25, 0.6, 1.0};
constexpr double kPassedEn[7] = {0, 0.05, 0.05, 0.13, 0.3, 0.63, 1.0};

int T16(long v) { return int16_t(uint16_t(v)); }

// A percentage pair applied to one half, rounded half away from zero.
int Pct(int pct, long x) { return int(std::lround(pct * 0.01 * x)); }

int32_t Scaled(int op, int en, const int16_t* scale) {
  return S(Pct(scale[0], op), Pct(scale[1], en));
}

int32_t Pair(const int16_t* f) { return S(f[0], f[1]); }

// One mobility curve: g(n) times the pair's weights, lowered at n = 0, cut to
// 16 bits, then scaled by the mobility percentages.
void MobilityCurve(int32_t* out, int count, const int16_t* weight, int lower,
                   double (*g)(int)) {
  const int16_t* scale = &Personality.mobility_scale_op;
  for (int n = 0; n < count; n++) {
    double f = g(n);
    long op = std::lround(weight[0] * f);
    long en = std::lround(weight[1] * f);
    if (n == 0) {
      op -= lower;
      en -= lower;
    }
    out[n] = Scaled(T16(op), T16(en), scale);
  }
}

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

void DeriveCacheSalts() {
  uint64_t h = 0xCBF29CE484222325ULL;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&EvalParams);
  for (size_t i = 0; i < sizeof EvalParams; i++) h = (h ^ bytes[i]) * 0x100000001B3ULL;
  for (int k = 0; k < 3; k++) EvalSalts.eval[k] = Mix(h + k);
  EvalSalts.pawn = Mix(h ^ 0x5A5A5A5A5A5A5A5AULL);
}

}  // namespace

void InitPieceSqTables() {
  EvalParamsRecord& e = EvalParams;
  const PersonalityRecord& p = Personality;
  if (PBlock.pst_mode == 0) {
    for (int t = 0; t < 6; t++)
      for (int s = 0; s < 64; s++) e.pst[t][s] = S(p.pst[t + 1][s][0], p.pst[t + 1][s][1]);
    return;
  }
  const int16_t* pst = &p.pst_scale_op;
  const int16_t* pawn = &p.pawn_struct_scale_op;
  for (int s = 0; s < 64; s++) {
    int f = s & 7, r = s >> 3;
    int i = 4 * r + (f < 4 ? f : 7 - f);
    int q = r >= 4 ? -4 : 0;
    e.pst[0][s] = Scaled(T16(p.PST_P_op * kPawnOp[i] / 16), T16(p.PST_P_en * kPawnEn[i] / 8), pawn);
    e.pst[1][s] = Scaled(T16(p.PST_N_op * kKnight[i] / 42), T16(p.PST_N_en * kKnight[i] / 42), pst);
    e.pst[2][s] = Scaled(T16(p.PST_B_op * kBishop[i] / 14), T16(p.PST_B_en * kBishop[i] / 14), pst);
    e.pst[3][s] = Scaled(T16(p.PST_R_op * kRook[i] / 8), T16(p.PST_R_en * kRook[i] / 8), pst);
    e.pst[4][s] = Scaled(T16(q + p.PST_Q_op * kQueen[i] / 14), T16(p.PST_Q_en * kQueen[i] / 14), pst);
    e.pst[5][s] = Scaled(T16(p.PST_K_op * kKingOp[i] / 32), T16(p.PST_K_en * kKingEn[i] / 60), pst);
    e.connected[s] = Scaled(T16(p.pawn_connected_op * kConnected[i] / 16),
                            T16(p.pawn_connected_en * kConnected[i] / 16), pawn);
    e.defended[s] = Scaled(T16(p.pawn_defended_op * kDefended[i] / 8),
                           T16(p.pawn_defended_en * kDefended[i] / 8), pawn);
  }
}

void SetEvalParams() {
  InitPieceSqTables();
  EvalParamsRecord& e = EvalParams;
  const PersonalityRecord& p = Personality;

  e.contempt = p.Contempt;
  for (int t = 0; t < 5; t++) e.piece_value[t] = Pair(&p.pawn_value_op + 2 * t);
  e.bishop_pair = Pair(&p.bishop_pair_op);
  e.lone_queen = S(-50, -50);

  const int16_t* pawn = &p.pawn_struct_scale_op;
  const int16_t* threat = &p.threat_scale_op;
  e.pawn_doubled = Scaled(p.pawn_doubled_op, p.pawn_doubled_en, pawn);
  e.pawn_backward = Scaled(p.pawn_backward_op, p.pawn_backward_en, pawn);
  e.pawn_isolated = Scaled(p.pawn_isolated_op, p.pawn_isolated_en, pawn);
  e.pawn_weak = Scaled(p.pawn_weak_op, p.pawn_weak_en, pawn);
  e.pawn_blocked = S(-4, -6);
  e.hung_pawn = Scaled(p.hung_pawn_op, p.hung_pawn_en, threat);
  e.hung_piece = Scaled(p.hung_piece_op, p.hung_piece_en, threat);
  e.rook_open_file = Pair(&p.rook_open_file_op);
  e.rook_half_open_file = Pair(&p.rook_half_open_file_op);
  e.rook_rank7 = Pair(&p.rook_rank7_op);
  e.rook_trapped = Pair(&p.rook_trapped_op);
  e.pawn_candidate = Pair(&p.pawn_candidate_op);
  e.pawn_shield = Pair(&p.pawn_shield);
  e.pawn_storm = Pair(&p.pawn_storm);
  e.safe_check = Pair(&p.safe_check_op);
  e.knight_outpost = Pair(&p.knight_outpost);
  e.knight_outpost_half = S(p.knight_outpost / 2, 0);
  e.bishop_outpost = Pair(&p.bishop_outpost);
  e.bishop_outpost_half = S(p.bishop_outpost / 2, 0);
  e.bad_bishop_pawn = S(-4, -8);

  for (int r = 0; r < 7; r++) {
    e.ppawn_op[r] = int16_t(std::lround(p.pawn_passed_op * kPassedOp[r]));
    e.ppawn_en[r] = int16_t(std::lround(p.pawn_passed_en * kPassedEn[r]));
  }
  e.ppawn_op[7] = e.ppawn_en[7] = 240;

  MobilityCurve(e.nmob, 9, &p.knight_mobility_op, 5,
                [](int n) { return std::pow(n * 0.125, 0.7) - 0.5; });
  MobilityCurve(e.bmob, 15, &p.bishop_mobility_op, 5,
                [](int n) { return (std::pow(n / 14.0, 0.7) - 0.4) * 0.72; });
  MobilityCurve(e.rmob, 15, &p.rook_mobility_op, 5,
                [](int n) { return (std::pow(n / 14.0, 0.7) - 0.4) * 0.72; });
  MobilityCurve(e.qmob, 29, &p.queen_mobility_op, 8,
                [](int n) { return std::pow(n / 28.0, 0.6) - 0.4; });
  MobilityCurve(e.bextra, 6, &p.bishop_mobility_op, 0,
                [](int n) { return 0.28 * std::pow(n / 5.0, 0.8); });
  MobilityCurve(e.rextra, 6, &p.rook_mobility_op, 0,
                [](int n) { return 0.28 * std::pow(n / 5.0, 0.8); });

  int ks = p.king_safety;
  e.king_safety = int16_t(ks);
  e.KingDanger[0] = 0;
  for (int i = 1; i < 64; i++) {
    long curve = std::lround(std::pow(i, 1.9) * (ks * 0.01 * 0.44));
    long capped = e.KingDanger[i - 1] + std::lround(450.0 / i);
    e.KingDanger[i] = int16_t(std::min(curve, capped));
  }

  for (int m = 0; m < 256; m++) {
    leftbit[m] = m ? uint8_t(std::countr_zero(unsigned(m))) : 8;
    rightbit[m] = m ? uint8_t(std::bit_width(unsigned(m)) - 1) : 255;
  }
  DeriveCacheSalts();
}
