#include "search/search.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/see.h"
#include "eval/evaluate.h"
#include "search/calibrate.h"
#include "search/moveloop.h"
#include "search/ordering.h"
#include "search/qsearch.h"
#include "search/records.h"
#include "search/searchparams.h"
#include "search/searchcontrol.h"
#include "search/keys.h"
#include "search/threads.h"
#include "search/tt.h"
#include "tablebase/tbprobe.h"

namespace {

// The table's bucket is a likely cache miss; asking for it on entry lets the
// load overlap the work before the probe.
inline void PrefetchBucket(const Position* pos) {
  if (!entries) return;
  const HashSlot* bucket = HashBucket(FullKey(pos), pos->side);
  __builtin_prefetch(bucket);
  __builtin_prefetch(bucket + 3);
}

inline int Clamped(int r, int alpha, int beta) { return r <= alpha ? alpha : std::min(r, beta); }

// "go nodes N" counts the nodes of all threads together: thread 0 alone
// stops the search once their sum passes the limit. The sum is formed every
// 256 of its own nodes when other threads help.
bool NodeLimitReached(ThreadRecord* td) {
  const uint64_t own = td->counters[CountNodes].load(std::memory_order_relaxed);
  const int threads = SearchData.thread_count;
  if (threads <= 1) return own > td->node_limit;
  if (own & 255) return false;
  uint64_t total = 0;
  for (int i = 0; i < threads; i++)
    if (const ThreadRecord* t = ThreadData[i].load(std::memory_order_acquire))
      total += t->counters[CountNodes].load(std::memory_order_relaxed);
  return total > td->node_limit;
}

// ProbCut: a good capture that beats beta by a margin at reduced depth makes
// the node a likely fail high.
bool ProbCut(Position* pos, int side, int ply, int depth, int beta) {
  ThreadRecord* td = pos->owner;
  PlyRecord* p = &td->ply[ply];
  MoveEntry* const first = &td->moves[p->list_start];
  MoveEntry* end = GenerateCaptures(pos, side, first);
  end = GeneratePromotions(pos, side, 1, end);
  end->move = EndOfList;
  td->ply[ply + 1].list_start = uint16_t(end - td->moves + 1);
  td->ply[ply + 2].list_start = uint16_t(end - td->moves + 2);
  for (MoveEntry* e = first; e < end; e++) e->score = int16_t(CaptureScore(e));

  const Bitboard occ = pos->bb[White][0] | pos->bb[Black][0];
  Move scratch[kMaxPly];
  for (MoveEntry* e = first; e < end; e++) {
    SelectBest(e);
    const Move m = e->move;
    if (!m || !MoveIsLegal(pos, side, m)) continue;
    if (swapoff1(pos, side, MoveFrom(m), MoveTo(m), occ, 0) < 75) continue;
    p->current = uint16_t(e - td->moves);
    p->move_flags = (e->captured || (PieceType(e->piece) == Pawn && MoveTo(m) == pos->ep)) ? kFlagCapture : 0;
    MakeMove(pos, m);
    const int s = -Search(pos, side ^ 1, ply + 1, std::max(depth - 4, 0), -(beta + 75), -(beta + 74), -1, scratch);
    UnmakeMove(pos);
    if (s >= beta + 75) return true;
  }
  return false;
}

int InternalDepth(int depth, int node_type) {
  if (node_type == 0) return depth - 3;
  if (depth <= 6) return 1;
  if (depth <= 10) return depth - 5;
  return depth / 2;
}

}  // namespace

int SNMP(Position* pos, int side, int eval, int beta) {
  Bitboard pieces = pos->bb[side][0] & ~pos->bb[side][King];
  for (; pieces; pieces = ClearLSB(pieces)) {
    const int g = swapoff(pos, side ^ 1, NoSquare, LSB(pieces));
    if (g >= 1 && eval - g <= beta + 99) return 0;
  }
  return 1;
}

int Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int node_type, Move* pv) {
  ThreadRecord* td = pos->owner;
  PrefetchBucket(pos);
  PrefetchEvaluation(td, side);

  Count(td, CountNodes);
  NodeRateThrottle(td, depth);
  if (td->index == 0 && td->completed_depth.load(std::memory_order_relaxed) > 1 && NodeLimitReached(td))
    StopIfRunning(StopReport);
  if (Stopped()) return 0;
  if (ply > td->sel_depth) td->sel_depth = uint8_t(ply);

  alpha = std::max(alpha, ply - kInfinity);
  beta = std::min(beta, kInfinity - 1 - ply);
  if (alpha >= beta) return alpha;

  PlyRecord* p = &td->ply[ply];
  const PlyRecord* parent = &td->ply[ply - 1];
  p->node_type = int16_t(node_type);
  p->alpha = int16_t(alpha);
  p->beta = int16_t(beta);
  p->draw = p->ext_acc = p->iid = 0;
  p->threat[0] = p->threat[1] = 0;
  p->moves_searched = 0;
  p->hash_move = 0;
  p->tb_result = -1;
  td->ply[ply + 2].killer[0] = td->ply[ply + 2].killer[1] = 0;
  pv[ply] = pv[ply + 1] = 0;

  const int in_check = SqAtakd(pos, pos->list[side][King][0], side ^ 1);
  p->in_check = in_check;
  if (IsDraw(pos, in_check, ply < 4 ? 3 : 2)) return 0;

  // Extensions in sixteenths of a ply; the remainder travels down the line.
  int inc = 0;
  if (in_check)
    inc = parent->node_type == 0 ? 16 : 8;
  else if (parent->move_flags & kFlagCapture)
    inc = ply < 4 ? (parent->node_type == 0 ? 8 : 4) : (parent->node_type == 0 ? 4 : 2);
  const int acc = parent->ext_acc + inc;
  if (acc > 15) {
    depth++;
    p->ext_acc = uint16_t(acc - 16);
  } else {
    p->ext_acc = uint16_t(acc);
  }

  if (parent->tb_result != -1) {
    const int r = TB_Probe_WDL(pos, depth);
    p->tb_result = r;
    if (r != -1) {
      Count(td, CountTbHits);
      if (r > 4 - parent->tb_result) return beta;
    }
  } else if (pos->fifty == 0) {
    const int r = TB_Probe_WDL(pos, depth);
    p->tb_result = r;
    if (r != -1) {
      Count(td, CountTbHits);
      const int s = r == 0 ? ply - kTbLoss : r == 4 ? kTbWin - ply : 0;
      return std::max(alpha, s);
    }
  }

  int permit = 1;
  int tt_score = -kInfinity;
  int tt_depth = -99;
  if (depth >= 0) {
    HashEntry h{};
    h.move = 0;
    h.score = -kInfinity;
    h.depth = -99;
    HashProbe(pos, &h);
    Count(td, CountTtProbes);
    if (h.depth >= -19) {
      Count(td, CountTtHits);
      p->hash_move = h.move;
      tt_depth = h.depth;
      tt_score = ScoreFromHash(h.score, ply);
      const int bound = h.bound;
      bool settled = false;
      if (depth <= tt_depth) {
        if (node_type != 0) {
          if (tt_score > alpha && bound != BoundUpper) {
            if (tt_score >= beta) return tt_score;
            alpha = tt_score;
            permit = bound == BoundLower;
            settled = true;
          } else if (tt_score < beta && bound != BoundLower) {
            beta = tt_score;
          }
        } else if (bound == BoundExact && ply > 11) {
          alpha = std::max(alpha, tt_score);
          beta = std::min(beta, tt_score);
        }
        if (!settled && alpha >= beta) return alpha;
      }
      if (!settled) permit = tt_score > alpha || bound == BoundLower;
    }
  }

  const int eval = Evaluate(td, side, ply, in_check, 0);
  if (p->draw == 1) return 0;
  if (ply >= 66) return in_check ? 0 : eval;
  p->depth = int16_t(depth);
  p->eval = int16_t(eval);

  if (depth < 1) {
    const int r = in_check ? AB_Search(pos, side, ply, depth, alpha, beta, in_check, node_type, pv)
                           : Q_Search(pos, side, ply, depth, alpha, beta, node_type, pv);
    return Clamped(r, alpha, beta);
  }

  if (!in_check && node_type != 0 && depth <= FP_depth && eval <= alpha - FP_margin[depth] && tt_score <= alpha)
    return Clamped(Q_Search(pos, side, ply, depth, alpha, beta, node_type, pv), alpha, beta);

  const int npm = pos->npm[side];
  bool try_probcut = true;
  if (!in_check && depth <= SEP_depth && beta + 24 < eval - p->threat[side]) {
    if (node_type == 0 || !permit) {
      try_probcut = false;
    } else if (npm > 3) {
      if (eval >= beta + SEP_margin[depth]) return beta;
      if (depth < 3) {
        if (SNMP(pos, side, eval, beta)) return beta;
        try_probcut = false;
      }
    }
  }

  if (try_probcut && depth >= 3 && eval >= beta && node_type != 0 && permit && ply >= 4 && npm >= 4 &&
      ProbCut(pos, side, ply, depth, beta))
    return beta;

  const MoveEntry* const ms = td->moves;
  if (depth >= NMP_depth && eval > beta + 14 && !in_check && p->threat[side] <= 499 && node_type != 0 && permit &&
      npm >= 1 && ms[parent->current].move != 0 && ms[td->ply[ply - 2].current].move != 0) {
    const int R = depth >= 8 && npm > 5 ? 4 : 3;
    MakeNullMove(pos);
    p->current = p->list_start;
    td->moves[p->list_start].move = 0;
    td->moves[p->list_start + 1].move = EndOfList;
    td->ply[ply + 1].list_start = uint16_t(p->list_start + 2);
    p->move_flags = 0;
    const int s = -Search(pos, side ^ 1, ply + 1, std::max(depth - R - 1, 0), -beta, -alpha, -node_type, pv);
    UnmakeNullMove(pos);
    if (s >= beta) {
      if (depth < 5) return beta;
      return AB_Search(pos, side, ply, depth - 4, alpha, beta, 0, node_type, pv);
    }
  }

  if (depth >= 4 && eval >= alpha - 199) {
    const int d = InternalDepth(depth, node_type);
    if (d > tt_depth) {
      p->iid = 1;
      const int r = AB_Search(pos, side, ply, d, alpha, beta, in_check, node_type, pv);
      p->iid = 0;
      if (Stopped()) return 0;
      if (r > alpha)
        p->hash_move = pv[ply];
      else if (r < -kMateRange)
        return alpha;
      if (r > kMateRange - 1 && r >= beta) return beta;
    }
  }

  return Clamped(AB_Search(pos, side, ply, depth, alpha, beta, in_check, node_type, pv), alpha, beta);
}
