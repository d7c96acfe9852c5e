#include "eval/evaluate.h"

#include "eval/bitbase.h"
#include "eval/terms.h"
#include "eval/weights.h"
#include "search/keys.h"
#include "search/records.h"
#include "search/searchdata.h"

namespace {

constexpr int8_t kPawnCountBonus[16] = {-30, -18, -8, 0, 6, 8, 8, 8, 8, 0, 0, 0, 0, 0, 0, 0};

// Bishop and knight mop-up: the strong king's centralisation (A) and the
// weak king's distance from the dark corners a1 and h8 (B), rank 1 first.
constexpr int8_t kBNKing[64] = {0, 0, 0, 0, 0, 0, 0, 0,  0, 1, 1, 1, 1, 1, 1, 0,
                                0, 1, 2, 2, 2, 2, 1, 0,  0, 1, 2, 2, 2, 2, 1, 0,
                                0, 1, 2, 2, 2, 2, 1, 0,  0, 1, 2, 2, 2, 2, 1, 0,
                                0, 1, 1, 1, 1, 1, 1, 0,  0, 0, 0, 0, 0, 0, 0, 0};
constexpr int8_t kBNCorner[64] = {20, 18, 16, 14, 12, 10, 8,  6,   18, 14, 12, 10, 8,  6,  4,  8,
                                  16, 12, 8,  6,  2,  2,  6,  10,  14, 10, 6,  2,  0,  2,  8,  12,
                                  12, 8,  2,  0,  2,  6,  10, 14,  10, 6,  2,  2,  6,  8,  12, 16,
                                  8,  4,  6,  8,  10, 12, 14, 18,  6,  8,  10, 12, 14, 16, 18, 20};
constexpr int8_t kEdge[64] = {60, 50, 40, 30, 30, 40, 50, 60,  50, 40, 30, 20, 20, 30, 40, 50,
                              40, 30, 20, 10, 10, 20, 30, 40,  30, 20, 10, 0,  0,  10, 20, 30,
                              30, 20, 10, 0,  0,  10, 20, 30,  40, 30, 20, 10, 10, 20, 30, 40,
                              50, 40, 30, 20, 20, 30, 40, 50,  60, 50, 40, 30, 30, 40, 50, 60};

int CountOf(uint32_t signature, int type) { return signature >> (4 * (type - 1)) & 15; }

int Clamp(int v) { return std::clamp(v, -kMaxStaticScore, kMaxStaticScore); }

bool CannotMate(uint32_t m) {
  if (CountOf(m, Pawn) || CountOf(m, Rook) || CountOf(m, Queen)) return false;
  int n = CountOf(m, Knight), b = CountOf(m, Bishop);
  return (b == 0 && n <= 2) || (b == 1 && n == 0);
}

// One side is bare. Returns 1 with *score set when the ending is answered here.
int SpecialEnding(const EvalWork* ew, int side, int* score) {
  const Position* pos = ew->pos;
  const uint32_t sum = pos->msig[White] + pos->msig[Black];
  const int strong = pos->msig[White] ? White : Black;
  const int sign = side == strong ? 1 : -1;
  int s = ew->king_sq[strong], w = ew->king_sq[strong ^ 1];
  if (sum == msig[Pawn]) {
    int p = pos->list[strong][Pawn][0];
    if (strong == Black) {
      p = 63 - p;
      s = 63 - s;
      w = 63 - w;
    }
    if (FileOf(p) > 3) {
      p ^= 7;
      s ^= 7;
      w ^= 7;
    }
    int index = (side != strong) << 17 | (FileOf(p) + 4 * RankOf(p)) << 12 | s << 6 | w;
    *score = kpk_db[index] == 2 ? 800 * sign : 0;
    return 1;
  }
  if (sum == msig[Bishop] + msig[Knight]) {
    int d = Distance(s, w);
    if (!(pos->bb[strong][Bishop] & kDarkSquares)) w ^= 7;
    int v = 4 * (kBNKing[s] + 2 * kBNCorner[w] + 200 - 2 * d);
    if (ew->trace) {
      PBlock.display.kings[strong] = int16_t(v);
      PBlock.display.square[s] = int16_t(v);
    }
    *score = v * sign;
    return 1;
  }
  if (sum & (0xFu << 12 | 0xFu << 16)) {
    int base[2] = {100 * pos->npm[White], 100 * pos->npm[Black]};
    base[strong] += 200 - 10 * Distance(s, w) + kEdge[w];
    if (ew->trace)
      for (int c = White; c <= Black; c++) {
        PBlock.display.kings[c] = int16_t(base[c]);
        PBlock.display.square[ew->king_sq[c]] = int16_t(base[c]);
      }
    int v = Clamp(base[White] - base[Black]);
    *score = side == White ? v : -v;
    return 1;
  }
  return 0;
}

// Shrinks a score that material alone will not convert: 256 keeps it whole.
int DrawScale(const EvalWork* ew, int score) {
  if (score >= -14 && score <= 14) return 256;
  const Position* pos = ew->pos;
  const int strong = score > 0 ? White : Black, weak = strong ^ 1;
  if (ew->phase[strong] >= 6 || ew->phase[strong] - ew->phase[weak] >= 2) return 256;
  const uint32_t ms = pos->msig[strong], mw = pos->msig[weak];
  const int sp = CountOf(ms, Pawn), wp = CountOf(mw, Pawn);
  const int snpm = pos->npm[strong], wnpm = pos->npm[weak];

  if (sp == 0) {
    if (ms == 2 * msig[Bishop] && CountOf(mw, Knight) == 1) return 230;
    return snpm <= 3 ? 16 : snpm <= 8 ? 45 : 90;
  }

  // Rook pawns with the defending king in the corner the bishop cannot cover.
  const Bitboard pawns = pos->bb[strong][Pawn];
  const bool minor_at_most_bishop = CountOf(ms, Knight) == 0 && CountOf(ms, Rook) == 0 &&
                                    CountOf(ms, Queen) == 0 && CountOf(ms, Bishop) <= 1;
  if (minor_at_most_bishop && (!(pawns & ~kFileA) || !(pawns & ~kFileH))) {
    int corner = ((pawns & kFileA) ? 0 : 7) + (strong == White ? 56 : 0);
    Bitboard corner_colour = (kDarkSquares & SquareBit(corner)) ? kDarkSquares : ~kDarkSquares;
    if (Distance(ew->king_sq[weak], corner) <= 1 && !(pos->bb[strong][Bishop] & corner_colour))
      return 16;
  }

  int scale = 256;
  if (snpm > 8 || snpm != wnpm) {
    if (snpm > wnpm || wnpm == 0) return 256;
  } else if (CountOf(ms, Bishop) == 1 && CountOf(mw, Bishop) == 1 && sp - wp < 3 &&
             !(kDarkSquares & pos->bb[strong][Bishop]) != !(kDarkSquares & pos->bb[weak][Bishop])) {
    int r = (CountOf(mw, Rook) || CountOf(mw, Queen)) ? 64 : CountOf(mw, Knight) ? 96 : 128;
    if (sp - wp == 2) r /= 2;
    scale -= r;
    if (wnpm == 0) return scale;
  } else if (wnpm == 0) {
    return 256;
  }

  if (sp <= 2) scale -= snpm < 6 ? 40 : 24;
  if (sp == 1) {
    int p = LSB(pawns);
    Bitboard path = strong == White ? BB_RayN[p] : BB_RayS[p];
    if (path & (ew->attacks[weak][Knight] | ew->attacks[weak][Bishop])) scale -= 128;
    if (path & ew->attacks[weak][King] & ~ew->attacks[strong][King]) scale -= 64;
  }
  return std::max(scale, 64);
}

void SetMaterial(EvalWork* ew) {
  const EvalParamsRecord& e = EvalParams;
  for (int c = White; c <= Black; c++) {
    uint32_t m = ew->pos->msig[c];
    int32_t v = 0;
    for (int t = Pawn; t <= Queen; t++) v += CountOf(m, t) * e.piece_value[t - 1];
    if (CountOf(m, Bishop) >= 2) v += e.bishop_pair;
    if (CountOf(m, Queen) == 1 && !CountOf(m, Knight) && !CountOf(m, Bishop) && !CountOf(m, Rook))
      v += e.lone_queen;
    ew->material[c] = v;
    int phase = CountOf(m, Knight) + CountOf(m, Bishop) + 2 * CountOf(m, Rook) + 4 * CountOf(m, Queen);
    ew->phase[c] = uint8_t(std::min(phase, 12));
  }
  ew->stage = uint8_t(24 - ew->phase[White] - ew->phase[Black]);
}

void TraceTotals(const EvalWork* ew, int scale) {
  EvalDisplay& d = PBlock.display;
  d.stage = ew->stage;
  for (int c = White; c <= Black; c++) {
    d.material[c] = int16_t(Taper(ew->material[c], ew->stage));
    d.positional[c] = int16_t(Taper(ew->positional[c], ew->stage));
  }
  d.hung = ew->threatened;
  d.pinned = ew->pinned;
  d.free_pawns = ew->free_passers;
  d.draw_adj = scale / 256.0;
}

// Contempt depends on who the engine is, so it is part of the cache key.
int ContemptState() {
  return EvalParams.contempt && SearchData.target_time < 6000.0 ? 1 + SearchData.engine_side : 0;
}

}  // namespace

void PrefetchEvaluation(const ThreadRecord* td, int side) {
  const Position* pos = &td->pos;
  const uint64_t key = FullKey(pos) ^ EvalSalts.eval[ContemptState()];
  __builtin_prefetch(&td->eval_cache[(key & 0x7FFE) + side]);
  __builtin_prefetch(&td->pawn_hash[pos->pawn_key & (kPawnHashSize - 1)]);
}

int16_t Evaluate(ThreadRecord* td, int side, int ply, int in_check, int trace) {
  if (in_check) return -10000;
  Position* pos = &td->pos;
  PlyRecord* pr = &td->ply[ply];
  if (CannotMate(pos->msig[White]) && CannotMate(pos->msig[Black])) {
    pr->draw = 1;
    return 0;
  }

  EvalWork* ew = &td->ew;
  ew->pos = pos;
  ew->td = td;
  ew->ply_rec = pr;
  ew->ply = uint8_t(ply);
  ew->side = uint8_t(side);
  ew->trace = trace && (td->index == 0 || td == CTD);
  ew->occupied = pos->bb[White][0] | pos->bb[Black][0];
  ew->king_sq[White] = pos->list[White][King][0];
  ew->king_sq[Black] = pos->list[Black][King][0];
  Count(td, CountEvals);

  int special;
  if ((!pos->msig[White] || !pos->msig[Black]) && SpecialEnding(ew, side, &special))
    return int16_t(special);

  const int contempt = EvalParams.contempt;
  const int engine = SearchData.engine_side;
  const int contempt_state = ContemptState();
  const uint64_t key = FullKey(pos) ^ EvalSalts.eval[contempt_state];
  EvalCacheEntry* cached = &td->eval_cache[(key & 0x7FFE) + side];
  const int depth = td->depth.load(std::memory_order_relaxed);
  if (cached->key == key && depth >= 2 && ply >= 2 && !ew->trace) {
    Count(td, CountEvalHits);
    pr->threat[White] = cached->threat[White];
    pr->threat[Black] = cached->threat[Black];
    return cached->eval;
  }

  pr->threat[White] = pr->threat[Black] = 0;
  ew->threatened = ew->free_passers = 0;
  SetMaterial(ew);
  PreparePawnMaps(ew);

  Count(td, CountPawnProbes);
  const uint64_t pawn_key = pos->pawn_key ^ EvalSalts.pawn;
  PawnHashEntry* entry = &td->pawn_hash[pos->pawn_key & (kPawnHashSize - 1)];
  ew->pawn_entry = entry;
  if (entry->key == pawn_key && depth != 0 && !ew->trace) {
    Count(td, CountPawnHits);
  } else {
    entry->key = pawn_key;
    entry->white = entry->black = 0;
    EvaluatePawnStructure(ew);
  }
  ew->positional[White] = entry->white;
  ew->positional[Black] = entry->black;

  EvaluateBlockedPawns(ew);
  PreparePieceInputs(ew);
  EvaluatePieces(ew);
  EvaluatePassedPawns(ew);
  EvaluateThreats(ew);
  ew->positional[side] += S(16, 8);

  const int p = Taper(ew->positional[White] - ew->positional[Black], ew->stage);
  const int m = Taper(ew->material[White] - ew->material[Black], ew->stage);
  const int boost = std::min((p * p + 256) >> 9, 90);
  int score = p + m + (p > 0 ? boost : p < 0 ? -boost : 0);

  if (score > 85) score += kPawnCountBonus[CountOf(pos->msig[White], Pawn)];
  if (score < -85) score -= kPawnCountBonus[CountOf(pos->msig[Black], Pawn)];

  if (contempt_state) {
    const int s = contempt > 0 ? engine : engine ^ 1;
    const int n = std::max(pos->npm[s] - 3, 0), pawns = std::min(CountOf(pos->msig[s], Pawn), 6);
    const int t = (n + 2 * pawns) * contempt / 41;
    score += engine == White ? t : -t;
  }

  const int scale = DrawScale(ew, score);
  int result = Clamp(score * scale / 256);
  if (side == Black) result = -result;

  cached->key = key;
  cached->threat[White] = pr->threat[White];
  cached->threat[Black] = pr->threat[Black];
  cached->eval = int16_t(result);
  if (ew->trace) TraceTotals(ew, scale);
  return int16_t(result);
}
