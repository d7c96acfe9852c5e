#include "search/qsearch.h"

#include <algorithm>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/see.h"
#include "search/moveloop.h"
#include "search/ordering.h"
#include "search/records.h"
#include "search/search.h"
#include "search/tt.h"

namespace {

// Optimistic gain of capturing a piece type, for the delta test.
constexpr int mtlv[8] = {0, 100, 360, 360, 560, 1100, 9999, 0};
// Non-pawn material units of a captured piece type.
constexpr int16_t xm[7] = {0, 0, 3, 3, 5, 10, 99};

// A capture after which the opponent has no pawns and at most three units of
// non-pawn material more than the side: it may decide a pawnless ending.
bool DecidesPawnlessEnding(const Position* pos, int side, const MoveEntry* e) {
  const int opp = side ^ 1;
  const int ctype = PieceType(e->captured);
  int pawns = pos->msig[opp] & 15;
  int npm = pos->npm[opp];
  if (ctype == Pawn)
    pawns--;
  else
    npm -= xm[ctype];
  return pawns == 0 && npm - pos->npm[side] < 4;
}

}  // namespace

int Q_Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int node_type, Move* pv) {
  ThreadRecord* td = pos->owner;
  PlyRecord* p = &td->ply[ply];
  const int e = p->eval;
  if (e >= beta) return beta;

  p->moves_searched = 0;
  const int floor = std::max(alpha, e);
  int best = floor;
  const int margin = depth < 1 ? 150 : 450;
  p->stage = depth >= 0 ? kStageQuietChecks : 0;
  const int last_to = MoveTo(td->last_move);

  Move child_pv[kMaxPly];
  while (MoveEntry* entry = GetNextMove(pos)) {
    const Move m = entry->move;
    const int from = MoveFrom(m), to = MoveTo(m);
    if (depth < -3 && to != last_to) continue;
    const int mtype = PieceType(entry->piece), ctype = PieceType(entry->captured);

    if (!(entry->captured && DecidesPawnlessEnding(pos, side, entry))) {
      const int rank = side == White ? RankOf(to) : 7 - RankOf(to);
      const bool forcing = GivesCheck(pos, m) || (mtype == Pawn && rank >= 6);
      if (!forcing && e + mtlv[ctype] <= best - margin) continue;
      if (depth <= 1 && v[mtype] > v[ctype] &&
          swapoff1(pos, side, from, to, pos->bb[White][0] | pos->bb[Black][0], 0) < kLosingExchange)
        continue;
    }
    if (!m || !MoveIsLegal(pos, side, m)) continue;

    p->move_flags = (entry->captured || (mtype == Pawn && to == pos->ep)) ? kFlagCapture : 0;
    MakeMove(pos, m);
    const int s = -Search(pos, side ^ 1, ply + 1, depth - 1, -beta, -best, -node_type, child_pv);
    UnmakeMove(pos);
    // A stopped child's score means nothing and must not reach the table.
    if (Stopped()) return 0;

    if (s <= best) continue;
    pv[ply] = m;
    pv[ply + 1] = 0;
    if (s >= beta) {
      if (depth >= 0) HashStore(pos, m, depth, ScoreToHash(s, ply), BoundLower);
      return s;
    }
    CopyContinuation(pv, child_pv, ply);
    best = s;
  }
  if (best <= floor || depth < 0) return best;
  HashStore(pos, pv[ply], depth, ScoreToHash(best, ply), BoundExact);
  return best;
}
