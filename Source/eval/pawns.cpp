#include "board/see.h"
#include "eval/terms.h"
#include "eval/weights.h"
#include "search/records.h"

namespace {

constexpr int kPressure[8] = {0, 30, 30, 75, 150, 300, 600, 0};
constexpr int kKingWeight[8] = {0, 0, 0, 2, 4, 6, 8, 0};

Bitboard NorthFill(Bitboard b) {
  b |= b << 8;
  b |= b << 16;
  return b | b << 32;
}

Bitboard SouthFill(Bitboard b) {
  b |= b >> 8;
  b |= b >> 16;
  return b | b >> 32;
}

uint8_t Files(Bitboard b) {
  b |= b >> 32;
  b |= b >> 16;
  return uint8_t(b | b >> 8);
}

int RelativeRank(int c, int s) { return c == White ? RankOf(s) : 7 - RankOf(s); }

// Pawns on a colour's last rank cannot occur in a legal game; keeping them
// out of the passer and candidate terms keeps every square they derive on the
// board.
constexpr Bitboard kBackRanks = kRank1 | kRank8;

}  // namespace

void PreparePawnMaps(EvalWork* ew) {
  const Position* pos = ew->pos;
  Bitboard pw = pos->bb[White][Pawn], pb = pos->bb[Black][Pawn];
  Bitboard front_w = NorthFill(pw << 8), front_b = SouthFill(pb >> 8);
  ew->pawn_attack_span[White] = ((front_w & ~kFileH) << 1) | ((front_w & ~kFileA) >> 1);
  ew->pawn_attack_span[Black] = ((front_b & ~kFileH) << 1) | ((front_b & ~kFileA) >> 1);
  Bitboard west_w = (pw & ~kFileA) << 7, east_w = (pw & ~kFileH) << 9;
  Bitboard west_b = (pb & ~kFileA) >> 9, east_b = (pb & ~kFileH) >> 7;
  ew->attacks[White][Pawn] = west_w | east_w;
  ew->attacks[Black][Pawn] = west_b | east_b;
  ew->attacked_twice[White] = west_w & east_w;
  ew->attacked_twice[Black] = west_b & east_b;
  ew->open_pawns = (pw & ~front_b) | (pb & ~front_w);
  ew->pawn_files[White] = Files(front_w);
  ew->pawn_files[Black] = Files(front_b);
}

void EvaluatePawnStructure(EvalWork* ew) {
  const Position* pos = ew->pos;
  const EvalParamsRecord& e = EvalParams;
  PawnHashEntry* entry = ew->pawn_entry;
  for (int c = White; c <= Black; c++) {
    Bitboard own = pos->bb[c][Pawn], enemy = pos->bb[c ^ 1][Pawn];
    int32_t& sum = c == White ? entry->white : entry->black;
    for (Bitboard b = own; b; b = ClearLSB(b)) {
      int s = LSB(b), f = FileOf(s), t = s ^ flip_sq[c];
      Bitboard bit = SquareBit(s);
      Bitboard in_front = c == White ? bit << 8 : bit >> 8;
      Bitboard ahead = c == White ? BB_RayN[s] : BB_RayS[s];
      int32_t v = e.pst[0][t];
      if (FileMask(f) & own & ~bit) v += e.pawn_doubled;
      if (!(in_front & ew->pawn_attack_span[c])) {
        v += e.pawn_backward;
        if (!(BB_AdjacentFiles[f] & own)) v += e.pawn_isolated;
        if (!(ahead & enemy)) v += e.pawn_weak;
      }
      if (BB_AdjacentSquares[s] & own) v += e.connected[t];
      if (ew->attacks[c][Pawn] & bit) v += e.defended[t];
      sum += v;
      TraceTerm(ew, s, PBlock.display.pawns, c, v);
    }
  }
}

void EvaluateBlockedPawns(EvalWork* ew) {
  const Bitboard occ = ew->occupied;
  const Bitboard blocked[2] = {ew->pos->bb[White][Pawn] & (occ >> 8),
                               ew->pos->bb[Black][Pawn] & (occ << 8)};
  const Bitboard centre[2] = {0x3C00ULL, 0x3C00ULL << 40};  // c2-f2, c7-f7
  for (int c = White; c <= Black; c++)
    ew->positional[c] += PopCount(blocked[c]) * EvalParams.pawn_blocked +
                         PopCount(blocked[c] & centre[c]) * S(-6, -6);
}

void EvaluatePassedPawns(EvalWork* ew) {
  Position* pos = ew->pos;
  const EvalParamsRecord& e = EvalParams;
  uint16_t* threat = ew->ply_rec->threat;
  for (int c = White; c <= Black; c++) {
    const int x = c ^ 1, dir = pawn_dir[c];
    const Bitboard own = pos->bb[c][Pawn];
    const Bitboard candidates = own & ew->open_pawns & ~kBackRanks;
    const Bitboard passed = candidates & ~ew->pawn_attack_span[x];
    for (Bitboard b = passed; b; b = ClearLSB(b)) {
      int s = LSB(b), r = RelativeRank(c, s);
      int op = e.ppawn_op[r], en = e.ppawn_en[r];
      Bitboard ahead = c == White ? BB_RayN[s] : BB_RayS[s];
      if (ahead & own) {
        int32_t v = S(op / 2, en / 2);
        ew->positional[c] += v;
        TraceTerm(ew, s, PBlock.display.passers, c, v);
        continue;
      }
      int target = r == 6 ? s + dir : s + 2 * dir;
      int d_own = Distance(ew->king_sq[c], target), d_enemy = Distance(ew->king_sq[x], target);
      int stop = s + dir;
      if (r == 1 && !pos->board[stop]) stop += dir;
      if (!pos->board[stop] && swapoff1(pos, c, s, stop, ew->occupied, 0) >= 0) {
        int half_op = (e.ppawn_op[r + 1] - op) / 2, half_en = (e.ppawn_en[r + 1] - en) / 2;
        op += half_op;
        en += half_en;
        threat[x] = uint16_t(threat[x] + kPressure[r]);
        if (!(ahead & (pos->bb[x][0] | ew->attacks[x][0]))) {
          op += half_op;
          en += half_en;
          threat[x] = uint16_t(threat[x] + kPressure[r]);
          ew->free_passers |= SquareBit(s);
          int promotion = c == White ? 56 + FileOf(s) : FileOf(s);
          int reach = 8 - r - (c == ew->side);
          if (pos->npm[x] == 0 && Distance(ew->king_sq[x], promotion) > reach) en += 4 * r * r;
        }
      }
      if (BB_AdjacentSquares[s] & own) {
        op += op / 4;
        en += en / 4;
      }
      if (ew->attacks[c][Pawn] & SquareBit(s)) {
        op += op / 8;
        en += en / 8;
      }
      int w = kKingWeight[r];
      int32_t v = S(op, en + 3 * w * d_enemy - 2 * w * d_own);
      ew->positional[c] += v;
      TraceTerm(ew, s, PBlock.display.passers, c, v);
    }

    if (ew->stage <= 13) continue;
    const int weight = EnOf(e.pawn_candidate);
    for (Bitboard b = candidates & ~passed; b; b = ClearLSB(b)) {
      int s = LSB(b), r = RelativeRank(c, s);
      if (r < 3 || r > 5 || pos->board[s + dir]) continue;
      int beside = PopCount(BB_AdjacentSquares[s] & own);
      int stoppers = PopCount(pos->bb[x][Pawn] & BB_PawnRays[c][s + dir]);
      if (beside < stoppers) continue;
      int d = Distance(ew->king_sq[x], s + 2 * dir);
      int32_t v = S(0, ((r - 2) * 32 + 24 * d) * weight / 256);
      ew->positional[c] += v;
      TraceTerm(ew, s, PBlock.display.passers, c, v);
    }
  }
}
