#include "search/moveloop.h"

#include <algorithm>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/see.h"
#include "search/ordering.h"
#include "search/records.h"
#include "search/search.h"
#include "search/searchparams.h"
#include "search/tt.h"

namespace {

inline Bitboard Occupied(const Position* pos) { return pos->bb[White][0] | pos->bb[Black][0]; }

inline int RelativeRank(int side, int sq) { return side == White ? RankOf(sq) : 7 - RankOf(sq); }

// A quiet move that is not pruned late: it threatens a bigger piece or the
// enemy king's area.
bool ShowsPurpose(Position* pos, int side, const MoveEntry* e) {
  const int from = MoveFrom(e->move), to = MoveTo(e->move);
  const int enemy = side ^ 1;
  const Bitboard K = BB_KingRays[pos->list[enemy][King][0]];
  const Bitboard* eb = pos->bb[enemy];
  const Bitboard occ = Occupied(pos);
  auto lined_up = [&](Bitboard rays_to, Bitboard rays_from, Bitboard targets) {
    for (Bitboard t = rays_to & ~rays_from & targets; t; t = ClearLSB(t))
      if (!(BB_Between[to][LSB(t)] & occ)) return true;
    return false;
  };
  switch (PieceType(e->piece)) {
    case Pawn:
      return BB_PawnRays[side][to] & (eb[Knight] | eb[Bishop] | eb[Rook] | eb[Queen] | K);
    case Knight:
      return BB_KnightRays[to] & (eb[Rook] | eb[Queen] | K);
    case Bishop:
      return lined_up(BB_BishopRays[to], BB_BishopRays[from], eb[Rook] | eb[Queen]) ||
             MoveAttacksKingArea(pos, Bishop, from, to, K);
    case Rook:
      return lined_up(BB_RookRays[to], BB_RookRays[from], eb[Queen]) || MoveAttacksKingArea(pos, Rook, from, to, K);
    case Queen:
      return MoveAttacksKingArea(pos, Queen, from, to, K);
    default:
      return false;
  }
}

int LateMoveReduction(const ThreadRecord* td, int ply, int depth, int node_type, const MoveEntry* e, bool losing) {
  const PlyRecord* p = &td->ply[ply];
  const int D = std::min(depth, 31), n = std::min<int>(p->moves_searched, 31);
  int r = (node_type ? lmr_nonpv : lmr_pv)[D][n];
  if (e->score > 24) r--;
  if (td->pos.npm[td->pos.side ^ 1] == 0 && r >= 2) r--;
  if (p->moves_searched >= 2) {
    if (losing) {
      r++;
    } else {
      const PlyRecord* gp = &td->ply[ply - 2];
      if (p->eval < gp->eval - (gp->node_type ? 75 : 250)) r++;
    }
  }
  return std::clamp(r, 0, 4);
}

}  // namespace

uint16_t SetMoveFlags(const Position* pos, int side, const MoveEntry* e) {
  static constexpr uint16_t capture_form[3] = {1, 3, 7};
  static constexpr uint16_t quiet_form[3] = {0, 2, 6};
  const int c = GivesCheck(pos, e->move);
  const int to = MoveTo(e->move);
  const bool pawn = PieceType(e->piece) == Pawn;
  if (!pawn) return e->captured ? capture_form[c] : quiet_form[c];
  const uint16_t f = (e->captured || to == pos->ep) ? capture_form[c] : quiet_form[c];
  if (e->move & PromoQueen) return f | kFlagQueenPromo;
  switch (RelativeRank(side, to)) {
    case 6:
      return f | kFlagSeventh;
    case 7:
      return f | kFlagAdvance;
    case 4:
    case 5:
      return (BB_PawnSpan[side][to] & pos->bb[side ^ 1][Pawn]) ? f : f | kFlagAdvance;
    default:
      return f;
  }
}

int MoveAttacksKingArea(Position* pos, int type, int from, int to, Bitboard K) {
  const int side = pos->side;
  Bitboard* own = pos->bb[side];
  const Bitboard occ = Occupied(pos);
  auto covered = [&](Bitboard rays_to, Bitboard rays_from, Bitboard helpers) {
    for (Bitboard t = K & rays_to & ~rays_from & ~SquareBit(from); t; t = ClearLSB(t)) {
      const int sq = LSB(t);
      if (BB_Between[to][sq] & occ & ~helpers) continue;
      own[0] ^= SquareBit(from);
      own[type] ^= SquareBit(from);
      const int hit = SqAtakd(pos, sq, side);
      own[0] ^= SquareBit(from);
      own[type] ^= SquareBit(from);
      if (hit) return true;
    }
    return false;
  };
  if ((type == Rook || type == Queen) && covered(BB_RookRays[to], BB_RookRays[from], own[Rook] | own[Queen]))
    return 1;
  if ((type == Bishop || type == Queen) &&
      covered(BB_BishopRays[to], BB_BishopRays[from], own[Bishop] | own[Queen]))
    return 1;
  return 0;
}

int AB_Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int in_check,
              int node_type, Move* pv) {
  ThreadRecord* td = pos->owner;
  PlyRecord* p = &td->ply[ply];
  const int alpha0 = alpha;

  pv[ply] = 0;
  const bool lmp = depth <= LMP_depth && !p->iid && depth >= 1 && node_type != 0;
  const bool lmr = depth >= LMR_depth && ply + depth > td->depth.load(std::memory_order_relaxed) / 2;

  int best = -kInfinity;
  Move best_move = 0;
  p->moves_searched = 0;
  p->stage = kStageHashFirst | kStageFull;

  Move child_pv[kMaxPly];
  while (MoveEntry* e = GetNextMove(pos)) {
    const Move m = e->move;
    if (!m || (m == p->hash_move && p->moves_searched)) continue;
    if (!MoveIsLegal(pos, side, m)) continue;
    const uint16_t flags = SetMoveFlags(pos, side, e);
    p->move_flags = flags;

    const int mtype = PieceType(e->piece);
    const bool needs_see = v[mtype] > v[PieceType(e->captured)];
    int see = 0;
    bool see_done = false;
    auto losing = [&] {
      if (!needs_see) return false;
      if (!see_done) {
        see = swapoff1(pos, side, MoveFrom(m), MoveTo(m), Occupied(pos), 0);
        see_done = true;
      }
      return see < kLosingExchange;
    };

    if (lmp && best >= -kMateRange && flags == 0) {
      if (p->moves_searched >= LMP_count[depth] && e->score < 25 && !ShowsPurpose(pos, side, e)) continue;
      if (losing()) continue;
    }

    int r = 0;
    if (lmr && best >= -kMateRange) {
      if (losing())
        r = flags ? (p->moves_searched > 1 && !(flags & kFlagDiscovered) ? 1 : 0)
                  : LateMoveReduction(td, ply, depth, node_type, e, true);
      else if (!flags)
        r = LateMoveReduction(td, ply, depth, node_type, e, false);
      const int D = std::min(depth, 31);
      if (D - r < 1) r = std::max(D - 1, 0);
    }

    MakeMove(pos, m);
    int s;
    if (best == -kInfinity || depth <= 1) {
      s = -Search(pos, side ^ 1, ply + 1, depth - 1, -beta, -alpha, -node_type, child_pv);
    } else {
      s = -Search(pos, side ^ 1, ply + 1, depth - r - 1, -alpha - 1, -alpha, 1, child_pv);
      if (s > alpha) s = -Search(pos, side ^ 1, ply + 1, depth - 1, -beta, -alpha, -node_type, child_pv);
    }
    UnmakeMove(pos);
    if (Stopped()) return 0;
    p->moves_searched++;

    if (!e->captured && !in_check) UpdateHistory(td, e, depth, s > alpha);
    if (s > best) {
      best = s;
      best_move = m;
      pv[ply] = m;
      pv[ply + 1] = 0;
    }
    if (s >= beta) break;
    if (s > alpha) {
      pv[ply] = m;
      CopyContinuation(pv, child_pv, ply);
      alpha = s;
    }
  }

  if (p->moves_searched == 0) best = in_check ? ply - kInfinity : 0;
  if (depth >= 0) {
    const int bound = best >= beta ? BoundLower : best > alpha0 ? BoundExact : BoundUpper;
    HashStore(pos, best_move, depth, ScoreToHash(best, ply), bound);
  }
  if (best >= beta && best_move && !pos->board[MoveTo(best_move)]) UpdateCutoffMoves(td, ply, best_move, in_check);
  return best;
}
