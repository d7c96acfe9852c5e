#include "tablebase/tbprobe.h"

#include <algorithm>

#include "board/bitboard.h"
#include "engine/params.h"
#include "tablebase/tbcore.h"

namespace {

// A DTZ table holds one side to move, so resolving the other side nests one
// level; deeper nesting only comes from tables that contradict themselves.
constexpr int kMaxDtzNesting = 4;
constexpr uint64_t kBackRanks = 0xFF000000000000FFULL;
constexpr int wdl_to_dtz[5] = {-1, -101, 0, 101, 1};

constexpr int tb_to(TbMove m) { return m & 63; }
constexpr int tb_from(TbMove m) { return (m >> 6) & 63; }
constexpr int tb_promotes(TbMove m) { return (m >> 12) & 7; }
constexpr TbMove tb_move(int from, int to, int promotes = 0) { return TbMove(to | from << 6 | promotes << 12); }

uint64_t own(const TbPosition* pos) { return pos->turn ? pos->white : pos->black; }
uint64_t opponent(const TbPosition* pos) { return pos->turn ? pos->black : pos->white; }
int colour_to_move(const TbPosition* pos) { return pos->turn ? White : Black; }
uint64_t occupied(const TbPosition* pos) { return pos->white | pos->black; }

// A target on the last rank becomes four moves: queen, knight, rook, bishop.
TbMove* add_pawn_moves(TbMove* m, int from, uint64_t targets) {
  for (; targets; targets &= targets - 1) {
    const int to = LSB(targets);
    if (SquareBit(to) & kBackRanks) {
      for (int promotes : {1, 4, 2, 3}) *m++ = tb_move(from, to, promotes);
    } else {
      *m++ = tb_move(from, to);
    }
  }
  return m;
}

TbMove* add_moves(TbMove* m, int from, uint64_t targets) {
  for (; targets; targets &= targets - 1) *m++ = tb_move(from, LSB(targets));
  return m;
}

// King, queens, rooks, bishops, knights, each to its targets inside mask.
TbMove* piece_moves(const TbPosition* pos, TbMove* m, uint64_t mask) {
  const uint64_t us = own(pos), occ = occupied(pos);
  const uint64_t king = pos->kings & us;
  if (king) m = add_moves(m, LSB(king), BB_KingRays[LSB(king)] & mask);
  for (uint64_t b = pos->queens & us; b; b &= b - 1)
    m = add_moves(m, LSB(b), (RookAttacks(LSB(b), occ) | BishopAttacks(LSB(b), occ)) & mask);
  for (uint64_t b = pos->rooks & us; b; b &= b - 1) m = add_moves(m, LSB(b), RookAttacks(LSB(b), occ) & mask);
  for (uint64_t b = pos->bishops & us; b; b &= b - 1) m = add_moves(m, LSB(b), BishopAttacks(LSB(b), occ) & mask);
  for (uint64_t b = pos->knights & us; b; b &= b - 1) m = add_moves(m, LSB(b), BB_KnightRays[LSB(b)] & mask);
  return m;
}

uint64_t single_push(const TbPosition* pos, int sq) {
  const int ahead = pos->turn ? sq + 8 : sq - 8;
  return SquareBit(ahead) & ~occupied(pos);
}

uint64_t pushes(const TbPosition* pos, int sq) {
  const uint64_t one = single_push(pos, sq);
  const int second_rank = pos->turn ? 1 : 6;
  if (!one || RankOf(sq) != second_rank) return one;
  return one | (SquareBit(pos->turn ? sq + 16 : sq - 16) & ~occupied(pos));
}

bool ep_target(const TbPosition* pos, int sq) {
  return pos->ep && (BB_PawnRays[colour_to_move(pos)][sq] & SquareBit(pos->ep));
}

TbMove* gen_captures(const TbPosition* pos, TbMove* m) {
  const uint64_t them = opponent(pos);
  m = piece_moves(pos, m, them);
  const int side = colour_to_move(pos);
  const int seventh = pos->turn ? 6 : 1;
  for (uint64_t b = pos->pawns & own(pos); b; b &= b - 1) {
    const int sq = LSB(b);
    if (ep_target(pos, sq)) *m++ = tb_move(sq, pos->ep);
    m = add_pawn_moves(m, sq, BB_PawnRays[side][sq] & them);
    if (RankOf(sq) == seventh) m = add_pawn_moves(m, sq, single_push(pos, sq));
  }
  return m;
}

TbMove* gen_pawn_pushes(const TbPosition* pos, TbMove* m) {
  for (uint64_t b = pos->pawns & own(pos); b; b &= b - 1) m = add_pawn_moves(m, LSB(b), pushes(pos, LSB(b)));
  return m;
}

TbMove* gen_ep_captures(const TbPosition* pos, TbMove* m) {
  for (uint64_t b = pos->pawns & own(pos); b; b &= b - 1)
    if (ep_target(pos, LSB(b))) *m++ = tb_move(LSB(b), pos->ep);
  return m;
}

bool is_ep_capture(const TbPosition* pos, TbMove m) {
  return pos->ep && tb_to(m) == pos->ep && (pos->pawns & own(pos) & SquareBit(tb_from(m)));
}

// Whether the king of colour (engine colour) on k is attacked by the pieces in by.
bool king_attacked(const TbPosition* pos, int k, int colour, uint64_t by) {
  const uint64_t occ = occupied(pos);
  return (BB_KingRays[k] & pos->kings & by) || (RookAttacks(k, occ) & (pos->rooks | pos->queens) & by) ||
         (BishopAttacks(k, occ) & (pos->bishops | pos->queens) & by) || (BB_KnightRays[k] & pos->knights & by) ||
         (BB_PawnRays[colour][k] & pos->pawns & by);
}

bool in_check(const TbPosition* pos) {
  const uint64_t king = pos->kings & own(pos);
  return king && king_attacked(pos, LSB(king), colour_to_move(pos), opponent(pos));
}

bool has_legal_move(const TbPosition* pos, bool skip_ep) {
  TbMove moves[kTbMaxMoves];
  const TbMove* end = gen_moves(pos, moves);
  for (const TbMove* m = moves; m < end; m++) {
    TbPosition next;
    if (skip_ep && is_ep_capture(pos, *m)) continue;
    if (do_move(&next, pos, *m)) return true;
  }
  return false;
}

// Positions the tables can hold: two kings, one a side, no overlaps, no pawn
// on a back rank, and the side not to move not in check. Anything else would
// let the prober capture a king.
bool valid_position(const TbPosition* pos) {
  const uint64_t types[6] = {pos->kings, pos->queens, pos->rooks, pos->bishops, pos->knights, pos->pawns};
  uint64_t all = 0;
  int count = 0;
  for (uint64_t b : types) {
    all |= b;
    count += PopCount(b);
  }
  if (PopCount(pos->kings & pos->white) != 1 || PopCount(pos->kings & pos->black) != 1) return false;
  if ((pos->white & pos->black) || count != PopCount(all) || all != occupied(pos)) return false;
  if (pos->pawns & kBackRanks) return false;
  const uint64_t their_king = pos->kings & opponent(pos);
  return !king_attacked(pos, LSB(their_king), colour_to_move(pos) ^ 1, own(pos));
}

int probe_ab(const TbPosition* pos, int alpha, int beta, int* success) {
  TbMove moves[kTbMaxMoves];
  const TbMove* end = gen_captures(pos, moves);
  for (const TbMove* m = moves; m < end; m++) {
    if (is_ep_capture(pos, *m)) continue;
    TbPosition next;
    if (!do_move(&next, pos, *m)) continue;
    const int v = -probe_ab(&next, -beta, -alpha, success);
    if (!*success) return 0;
    if (v > alpha) {
      if (v >= beta) {
        *success = 2;
        return v;
      }
      alpha = v;
    }
  }
  const int v = wdl_table_value(pos, success);
  if (!*success) return 0;
  if (alpha >= v) {
    *success = 1 + (alpha > 0);
    return alpha;
  }
  *success = 1;
  return v;
}

// Best value of the legal en-passant captures (-3: none), searched with
// score(successor), which answers from the capturer's view.
template <class Score>
int best_ep_capture(const TbPosition* pos, int* success, Score score) {
  TbMove moves[kTbMaxMoves];
  const TbMove* end = gen_ep_captures(pos, moves);
  int best = -3;
  for (const TbMove* m = moves; m < end; m++) {
    TbPosition next;
    if (!do_move(&next, pos, *m)) continue;
    const int w = score(&next);
    if (!*success) return 0;
    best = std::max(best, w);
  }
  return best;
}

int probe_dtz_at(const TbPosition* pos, int* success, int nesting);

// The other side to move is stored: one ply over the successors.
int dtz_by_search(const TbPosition* pos, int wdl, int* success, int nesting) {
  TbMove moves[kTbMaxMoves];
  const TbMove* end = gen_moves(pos, moves);
  if (wdl > 0) {
    int best = 0xFFFF;
    for (const TbMove* m = moves; m < end; m++) {
      TbPosition next;
      if (!do_move(&next, pos, *m) || next.rule50 == 0) continue;
      const int v = probe_dtz_at(&next, success, nesting + 1);
      if (!*success) return 0;
      if (v < 0) best = std::min(best, 1 - v);
    }
    // Only tables that contradict themselves get here without an answer.
    if (best == 0xFFFF) return *success = 0;
    return best;
  }
  int best = -1;
  for (const TbMove* m = moves; m < end; m++) {
    TbPosition next;
    if (!do_move(&next, pos, *m)) continue;
    int v;
    if (next.rule50 == 0)
      v = wdl == -2 ? -1 : probe_ab(&next, 1, 2, success) == 2 ? 0 : -101;
    else
      v = -probe_dtz_at(&next, success, nesting + 1) - 1;
    if (!*success) return 0;
    best = std::min(best, v);
  }
  return best;
}

int probe_dtz_no_ep(const TbPosition* pos, int* success, int nesting) {
  *success = 1;
  const int wdl = probe_ab(pos, -2, 2, success);
  if (!*success || wdl == 0) return 0;
  if (*success == 2) return wdl == 2 ? 1 : 101;
  if (wdl > 0) {
    TbMove moves[kTbMaxMoves];
    const TbMove* end = gen_pawn_pushes(pos, moves);
    for (const TbMove* m = moves; m < end; m++) {
      TbPosition next;
      if (!do_move(&next, pos, *m)) continue;
      const int v = next.ep ? -probe_wdl(&next, success) : -probe_ab(&next, -2, 1 - wdl, success);
      if (!*success) return 0;
      if (v == wdl) return wdl == 2 ? 1 : 101;
    }
  }
  const int d = dtz_table_value(pos, wdl, success);
  if (*success == -1) {
    if (nesting >= kMaxDtzNesting) return *success = 0;
    *success = 1;
    return dtz_by_search(pos, wdl, success, nesting);
  }
  if (!*success) return 0;
  return wdl > 0 ? d : -d;
}

int probe_dtz_at(const TbPosition* pos, int* success, int nesting) {
  const int v = probe_dtz_no_ep(pos, success, nesting);
  if (!*success || !pos->ep) return v;
  const int best = best_ep_capture(pos, success, [success](const TbPosition* next) {
    return -probe_ab(next, -2, 2, success);
  });
  if (!*success) return 0;
  if (best == -3) return v;
  const int d = wdl_to_dtz[best + 2];
  if (v < -100) return d >= 0 ? d : v;
  if (v < 0) return d >= 0 || d < -100 ? d : v;
  if (v > 100) return d > 0 ? d : v;
  if (v > 0) return d == 1 ? d : v;
  if (d >= 0) return d;
  return has_legal_move(pos, true) ? 0 : d;
}

TbPosition tb_position(const Position* pos, int rule50) {
  TbPosition tb{};
  tb.white = pos->bb[White][0];
  tb.black = pos->bb[Black][0];
  tb.kings = pos->bb[White][King] | pos->bb[Black][King];
  tb.queens = pos->bb[White][Queen] | pos->bb[Black][Queen];
  tb.rooks = pos->bb[White][Rook] | pos->bb[Black][Rook];
  tb.bishops = pos->bb[White][Bishop] | pos->bb[Black][Bishop];
  tb.knights = pos->bb[White][Knight] | pos->bb[Black][Knight];
  tb.pawns = pos->bb[White][Pawn] | pos->bb[Black][Pawn];
  tb.rule50 = uint8_t(rule50);
  tb.ep = pos->ep == NoSquare ? 0 : pos->ep;
  tb.turn = pos->side == White;
  return tb;
}

Move engine_move(TbMove m) {
  constexpr Move promo[5] = {0, PromoQueen, PromoRook, PromoBishop, PromoKnight};
  return Move(MakeMoveCode(tb_from(m), tb_to(m)) | promo[tb_promotes(m)]);
}

// The value of a legal root move from the mover's view (as a DTZ value).
int root_move_value(const TbPosition* next, int root, int* success) {
  if (root > 0 && in_check(next) && !has_legal_move(next, false)) return 1;
  if (next->rule50) {
    const int d = probe_dtz(next, success);
    return d < 0 ? 1 - d : d > 0 ? -d - 1 : 0;
  }
  return wdl_to_dtz[2 - probe_wdl(next, success)];
}

}  // namespace

uint64_t get_pieces(const TbPosition* pos, int code) {
  static constexpr uint64_t TbPosition::*kType[7] = {nullptr,          &TbPosition::pawns, &TbPosition::knights,
                                                      &TbPosition::bishops, &TbPosition::rooks, &TbPosition::queens,
                                                      &TbPosition::kings};
  const int type = code & 7;
  if (type == 0 || type == 7 || code > 15) return 0;
  return pos->*kType[type] & (code & 8 ? pos->black : pos->white);
}

TbMove* gen_moves(const TbPosition* pos, TbMove* m) {
  const uint64_t them = opponent(pos);
  m = piece_moves(pos, m, ~own(pos));
  const int side = colour_to_move(pos);
  for (uint64_t b = pos->pawns & own(pos); b; b &= b - 1) {
    const int sq = LSB(b);
    if (ep_target(pos, sq)) *m++ = tb_move(sq, pos->ep);
    m = add_pawn_moves(m, sq, (BB_PawnRays[side][sq] & them) | pushes(pos, sq));
  }
  return m;
}

bool do_move(TbPosition* next, const TbPosition* pos, TbMove move) {
  const int from = tb_from(move), to = tb_to(move), promotes = tb_promotes(move);
  const uint64_t from_bit = SquareBit(from), to_bit = SquareBit(to);
  *next = *pos;
  next->turn = pos->turn ^ 1;
  next->ep = 0;
  for (uint64_t TbPosition::*b : {&TbPosition::white, &TbPosition::black, &TbPosition::kings, &TbPosition::queens,
                                  &TbPosition::rooks, &TbPosition::bishops, &TbPosition::knights,
                                  &TbPosition::pawns}) {
    const bool moved = next->*b & from_bit;
    next->*b &= ~(from_bit | to_bit);
    if (moved) next->*b |= to_bit;
  }
  if (promotes) {
    next->pawns &= ~to_bit;
    uint64_t TbPosition::*kind[5] = {nullptr, &TbPosition::queens, &TbPosition::rooks, &TbPosition::bishops,
                                     &TbPosition::knights};
    next->*kind[promotes] |= to_bit;
    next->rule50 = 0;
  } else if (pos->pawns & from_bit) {
    next->rule50 = 0;
    if (pos->turn && RankOf(from) == 1 && RankOf(to) == 3) {
      if (BB_PawnRays[White][from + 8] & pos->pawns & pos->black) next->ep = uint8_t(from + 8);
    } else if (!pos->turn && RankOf(from) == 6 && RankOf(to) == 4) {
      if (BB_PawnRays[Black][from - 8] & pos->pawns & pos->white) next->ep = uint8_t(from - 8);
    } else if (to == pos->ep) {
      const uint64_t victim = SquareBit(pos->turn ? to - 8 : to + 8);
      next->white &= ~victim;
      next->black &= ~victim;
      next->pawns &= ~victim;
    }
  } else {
    next->rule50 = (occupied(pos) & to_bit) ? 0 : uint8_t(pos->rule50 + 1);
  }
  const int mover = colour_to_move(pos);
  const uint64_t mine = mover == White ? next->white : next->black;
  const uint64_t king = next->kings & mine;
  return king && !king_attacked(next, LSB(king), mover, mover == White ? next->black : next->white);
}

int probe_wdl(const TbPosition* pos, int* success) {
  *success = 1;
  const int v = probe_ab(pos, -2, 2, success);
  if (!*success || !pos->ep) return v;
  const int best = best_ep_capture(pos, success, [success](const TbPosition* next) {
    return -probe_ab(next, -2, 2, success);
  });
  if (!*success) return 0;
  if (best == -3) return v;
  if (best >= v) return best;
  if (v != 0) return v;
  // v is a draw and the capture loses: it counts only when it is forced.
  return has_legal_move(pos, true) ? 0 : best;
}

int probe_dtz(const TbPosition* pos, int* success) { return probe_dtz_at(pos, success, 0); }

int TB_Probe_WDL(const Position* pos, int depth) {
  if (Personality.SyzygyProbeDepth5 > depth) return -1;
  const int n = PopCount(pos->bb[White][0] | pos->bb[Black][0]);
  if (n > TB_LARGEST) return -1;
  if (n > 5 && (n == 6 ? Personality.SyzygyProbeDepth6 : 100) > depth) return -1;
  if (pos->castling) return -1;
  const TbPosition tb = tb_position(pos, 0);
  if (!valid_position(&tb)) return -1;
  int success;
  const int v = probe_wdl(&tb, &success);
  return success ? v + 2 : -1;
}

int TB_Probe_DTZ(const Position* pos, Move* move) {
  const int n = PopCount(pos->bb[White][0] | pos->bb[Black][0]);
  if (n > TB_LARGEST || pos->castling) return -1;
  const TbPosition tb = tb_position(pos, pos->fifty);
  if (!valid_position(&tb)) return -1;
  int success;
  const int root = probe_dtz(&tb, &success);
  if (!success) return -1;

  TbMove moves[kTbMaxMoves];
  int values[kTbMaxMoves];
  bool legal[kTbMaxMoves];
  const int count = int(gen_moves(&tb, moves) - moves);
  int drawing = 0;
  for (int i = 0; i < count; i++) {
    TbPosition next;
    legal[i] = do_move(&next, &tb, moves[i]);
    if (!legal[i]) continue;
    values[i] = root_move_value(&next, root, &success);
    if (!success) return -1;
    drawing += values[i] == 0;
  }
  int chosen = -1;
  if (root == 0) {
    if (!drawing) return -1;
    int k = int(calc_key(&tb, tb.turn ^ 1) % uint64_t(drawing));
    for (int i = 0; i < count && chosen < 0; i++)
      if (legal[i] && values[i] == 0 && k-- == 0) chosen = i;
  } else {
    for (int i = 0; i < count; i++) {
      if (!legal[i] || (root > 0 ? values[i] < 1 : values[i] >= 0)) continue;
      if (chosen < 0 || values[i] < values[chosen]) chosen = i;
    }
    if (chosen < 0) return -1;
  }
  *move = engine_move(moves[chosen]);
  const int r = pos->fifty;
  if (root > 0) return r + root <= 100 ? 4 : 3;
  if (root < 0) return r - root <= 100 ? 0 : 1;
  return 2;
}
