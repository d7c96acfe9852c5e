#include "search/root.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/movetext.h"
#include "engine/output.h"
#include "engine/params.h"
#include "eval/evaluate.h"
#include "search/moveloop.h"
#include "search/ordering.h"
#include "search/output.h"
#include "search/qsearch.h"
#include "search/records.h"
#include "search/search.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/threads.h"
#include "search/tt.h"
#include "tablebase/tbprobe.h"

namespace {

constexpr int kLastIteration = 68;
constexpr int kTbMoveDepth = 99;  // completed depth reported for a root tablebase move
constexpr int kMaxPVLines = 256;  // more than any position has moves

inline MoveEntry* RootList(ThreadRecord* td) { return &td->moves[td->ply[1].list_start]; }

// The console stores any MultiPV; fewer than one line would search nothing.
inline int MultiPV() { return Personality.MultiPV < 1 ? 1 : Personality.MultiPV; }

inline void SetThreadBest(ThreadRecord* td, Move m) {
  td->pv[1] = m;
  td->best_move.store(m, std::memory_order_relaxed);
}

// A root result that is not final: the move alone as variation, its score
// a bound (kind 1 at most, 2 at least).
inline void Report(ThreadRecord* td, int kind, Move m, int score) {
  td->root_result.store(uint8_t(kind), std::memory_order_relaxed);
  SetThreadBest(td, m);
  td->pv[2] = 0;
  td->root_score.store(int16_t(score), std::memory_order_relaxed);
}

// The finished lines of a MultiPV search, kept by thread 0 in score order
// (the earlier slot first among equals): those of the iteration under way
// and those of the last finished one, so that a stop inside a set still
// leaves a whole set of distinct moves to show.
struct PVLine {
  int depth, score;
  Move pv[kMaxPly];
};
struct PVLineSet {
  int count;
  PVLine line[kMaxPVLines];
};
// What was last printed for each MultiPV number.
struct ShownLine {
  int depth, score;
  Move move;
};
PVLineSet line_sets[2];
int current_set = 0;
ShownLine shown[kMaxPVLines + 1];

void ResetPVLines() {
  line_sets[0].count = line_sets[1].count = 0;
  current_set = 0;
  std::memset(shown, 0, sizeof shown);
}

// A new iteration: the set just finished becomes the one to fall back on.
void StartPVLineSet() {
  current_set ^= 1;
  line_sets[current_set].count = 0;
}

void ShowPVLine(int number, int depth, int score, const Move* pv) {
  if (number > kMaxPVLines || !DisplaySearchInfo(0, number, depth, score, pv)) return;
  shown[number] = {depth, score, pv[1]};
}

// The thread's result of a finished slot: shown under the slot's number,
// ranked into the set, and taken as the best move when a later slot scores
// above the lines before it.
void KeepPVLine(ThreadRecord* td, int slot, int depth) {
  PVLineSet& set = line_sets[current_set];
  const int score = td->root_score.load(std::memory_order_relaxed);
  if (set.count < kMaxPVLines) {
    int at = set.count;
    while (at > 0 && set.line[at - 1].score < score) at--;
    std::memmove(&set.line[at + 1], &set.line[at], sizeof(PVLine) * size_t(set.count - at));
    set.line[at].depth = depth;
    set.line[at].score = score;
    std::memcpy(set.line[at].pv, td->pv, sizeof set.line[at].pv);
    set.count++;
  }
  ShowPVLine(slot + 1, depth, score, td->pv);
  if (score > SearchData.best_score.load(std::memory_order_relaxed)) NewBestMove(td);
}

// A finished depth whose slots disagree with their order: the root list
// takes the ranked order, and the set is shown again in it.
void RankPVLines(MoveEntry* list) {
  const PVLineSet& set = line_sets[current_set];
  bool reordered = false;
  for (int i = 0; i < set.count; i++) reordered |= list[i].move != set.line[i].pv[1];
  if (!reordered) return;
  for (int i = 0; i < set.count; i++) {
    int j = i;
    while (list[j].move != set.line[i].pv[1]) j++;
    std::swap(list[i], list[j]);
    ShowPVLine(i + 1, set.line[i].depth, set.line[i].score, set.line[i].pv);
  }
}

int ListLength(const MoveEntry* list) {
  int n = 0;
  while (list[n].move != EndOfList) n++;
  return n;
}

// Progress lines of long searches (thread 0, slot 0, UCI).
void ShowProgress(ThreadRecord* td, const MoveEntry* e) {
  GetElapsedTime();  // no main loop's watch keeps it for an unlimited search
  const double elapsed = SearchData.elapsed.load(std::memory_order_relaxed);
  if (elapsed <= 3.5 || elapsed <= PBlock.info_delay) return;
  char line[128];
  Lock(spinlock2);
  const int n = td->ply[1].moves_searched + 1;
  Collect();
  if (n == 1) {
    RefreshHashFill();
    const double nodes = double(SearchData.totals[TotalNodes].load(std::memory_order_relaxed));
    std::snprintf(line, sizeof line, "info depth %d time %.0f nodes %.0f nps %.0f hashfull %.0f",
                  int(SearchData.iteration_depth.load(std::memory_order_relaxed)), elapsed * 1000, nodes,
                  elapsed > 0.001 ? nodes / elapsed : 0.0, SearchData.hash_fill * 1000);
    ShowMessage(line);
  }
  if (MultiPV() == 1) {
    char move[16];
    std::snprintf(line, sizeof line, "info currmove %s currmovenumber %d", MoveToStr(e->move, move), n);
    ShowMessage(line);
  }
  Unlock(spinlock2);
}

// The secondaries' root noise: a different order of near-equal moves sends
// each thread into another part of the tree.
void AddRootNoise(ThreadRecord* td, MoveEntry* list) {
  for (MoveEntry* e = list + 1; e->move != EndOfList; e++) {
    td->rand_state = td->rand_state * 63 + 987654321u;
    e->score = int16_t(e->score - int(td->rand_state % (e->score < -4999 ? 12u : 30u)));
  }
}

// Secondaries skip a depth that enough threads already search.
int SkipCrowdedDepth(int d) {
  const int threads = SearchData.thread_count;
  int count = 0;
  for (int i = 0; i < threads; i++)
    if (const ThreadRecord* t = ThreadData[i].load(std::memory_order_acquire))
      if (t->depth.load(std::memory_order_relaxed) >= d) count++;
  return count >= std::lround(1 + 0.65 * threads) ? d + 1 : d;
}

// The root tablebase probe (thread 0). Returns true when a tablebase move
// is played without a search.
bool ProbeRootTables(ThreadRecord* td, const MoveEntry* list) {
  Position* pos = &td->pos;
  const int side = pos->side;
  Move move = 0;
  int r;
  SearchData.tb_move = 0;
  if (Personality.SyzygyProbeDepth5 < 70) {
    r = TB_Probe_DTZ(pos, &move);
    if (r == -1) r = TB_Probe_WDL(pos, 70);
  } else {
    r = TB_Probe_WDL(pos, 70);
  }
  SearchData.tb_score[side] = int16_t(r == 4 ? kTbWin : r == 0 ? -kTbLoss : 0);
  SearchData.tb_score[side ^ 1] = int16_t(r == 4 ? -kTbWin : r == 0 ? kTbLoss : 0);
  SearchData.tb_result = r;
  SearchData.tb_move = move;
  if (!move || pos->fifty <= 6) return false;
  bool listed = false;
  for (const MoveEntry* e = list; e->move != EndOfList; e++) listed |= e->move == move;
  if (!listed) return false;
  Count(td, CountTbHits);
  SetThreadBest(td, move);
  td->pv[2] = 0;
  td->root_score.store(SearchData.tb_score[side], std::memory_order_relaxed);
  td->completed_depth.store(kTbMoveDepth, std::memory_order_relaxed);
  td->sel_depth = 2;
  td->depth.store(1, std::memory_order_relaxed);
  NewBestMove(td);
  StopIfRunning(StopReport);
  return true;
}

// "go depth 0" asks for the quiescence score of the root (the tools' mode);
// the report still names a legal move.
void QuiescenceRoot(ThreadRecord* td, int side, int eval, Move fallback) {
  const int score = Q_Search(&td->pos, side, 1, 0, -kInfinity, kInfinity, 0, td->pv);
  td->root_score.store(int16_t(score), std::memory_order_relaxed);
  if (!td->pv[1]) {
    td->pv[1] = fallback;
    td->pv[2] = 0;
  }
  td->best_move.store(td->pv[1], std::memory_order_relaxed);
  Lock(spinlock1);
  SearchData.best_score.store(int16_t(score), std::memory_order_relaxed);
  SearchData.best_bound = ScoreExact;
  SearchData.root_eval = int16_t(eval);
  std::memcpy(SearchData.pv, td->pv, sizeof SearchData.pv);
  Unlock(spinlock1);
}

}  // namespace

void NewBestMove(ThreadRecord* td) {
  const int s = td->root_score.load(std::memory_order_relaxed);
  const int d = td->completed_depth.load(std::memory_order_relaxed);
  Lock(spinlock1);
  const int S = SearchData.best_score.load(std::memory_order_relaxed);
  const int D = SearchData.best_depth.load(std::memory_order_relaxed);
  if (!((s > kFoundMate && s >= S) || (d > D && S < kFoundMate) || (d == D && s > S))) {
    Unlock(spinlock1);
    return;
  }
  if (td->pv[1] != SearchData.pv[1]) SearchData.change_depth.store(int8_t(d), std::memory_order_relaxed);
  const int bound = td->root_result.load(std::memory_order_relaxed);
  SearchData.best_score.store(int16_t(s), std::memory_order_relaxed);
  SearchData.best_bound = uint8_t(bound);
  SearchData.best_depth.store(int8_t(d), std::memory_order_relaxed);
  std::memcpy(SearchData.pv, td->pv, sizeof SearchData.pv);
  // A root tablebase move reports a depth beyond the per-depth tables.
  if (d < kMaxPly) {
    SearchData.score_by_depth[d] = int16_t(s);
    SearchData.move_by_depth[d] = td->pv[1];
  }
  Unlock(spinlock1);
  if (d >= 2 && MultiPV() == 1) DisplaySearchInfo(td->index, 0, d, s, td->pv, bound);
}

bool SearchRoot(Position* pos, int side, int depth, int slot) {
  ThreadRecord* td = pos->owner;
  PlyRecord* root = &td->ply[1];
  MoveEntry* list = RootList(td);
  const bool main_thread = td->index == 0;
  const bool main_role = main_thread && slot == 0 && MultiPV() == 1;
  const bool long_role = main_role && depth >= 4;
  const int prev = td->root_score.load(std::memory_order_relaxed);
  const int in_check = root->in_check;
  root->depth = int16_t(depth);
  root->moves_searched = 0;

  int w = depth == 1 ? kInfinity : depth == 2 ? 100 : std::max(4 * (15 - depth), 15) + std::abs(prev) / 16;
  if (depth <= 2 && SearchData.target_nps.load(std::memory_order_relaxed) < 15000) w = 60;
  const int alpha0 = prev - w < -kMateRange ? -kInfinity : prev - w;
  const int beta0 = prev + w >= kMateRange ? kInfinity : prev + w;

  int best = -kInfinity;
  Move scratch[kMaxPly];
  Move saved_pv[kMaxPly];
  for (int i = slot; list[i].move != EndOfList; i++) {
    MoveEntry* e = SelectBest(&list[i]);
    const Move m = e->move;
    std::memcpy(saved_pv, td->pv, sizeof saved_pv);
    const int saved_score = td->root_score.load(std::memory_order_relaxed);
    if (main_thread && slot == 0 && PBlock.protocol == 1) ShowProgress(td, e);

    td->root_result.store(0, std::memory_order_relaxed);
    root->current = uint16_t(e - td->moves);
    const uint16_t flags = SetMoveFlags(pos, side, e);
    root->move_flags = flags;
    e->score = int16_t(kUnresolvedOrder - root->moves_searched);
    const int r = MultiPV() == 1 && depth > 7 && root->moves_searched > 5 && best >= prev - 34 &&
                          best >= -kMateRange && !in_check && flags == 0 && pos->npm[side] > 0 &&
                          (pos->msig[side] & 15) > 0
                      ? 1
                      : 0;

    MakeMove(pos, m);
    int s, bound, reported = 0;
    if (best != -kInfinity && w != kInfinity) {
      bound = best < -kMateRange ? -kInfinity : best;
      int u = best + 1 >= kMateRange ? kInfinity : best + 1;
      s = -Search(pos, side ^ 1, 2, depth - r - 1, -u, -bound, 1, scratch);
      if (s > best) {
        if (main_thread) SearchData.settled_depth.store(uint8_t(std::max(depth - 2, 0)), std::memory_order_relaxed);
        // Fail high: widen the upper bound step by step until the move is
        // resolved.
        for (int step = 1, round = 1; !Stopped(); round++) {
          step = std::max(2 * step, 25);
          u = u + step >= kMateRange ? kInfinity : u + step;
          Report(td, reported = ScoreLower, m, s);
          if (round >= 2 && long_role) DisplaySearchInfo(0, 0, depth, s, td->pv, ScoreLower);
          s = -Search(pos, side ^ 1, 2, depth - 1, -u, -bound, 0, scratch);
          if (s < u) break;
        }
      }
    } else {
      int alpha = alpha0, beta = beta0;
      s = -Search(pos, side ^ 1, 2, depth - 1, -beta, -alpha, 0, scratch);
      while ((s <= alpha || s >= beta) && !Stopped()) {
        reported = s <= alpha ? ScoreUpper : ScoreLower;
        Report(td, reported, m, s);
        if (long_role) DisplaySearchInfo(0, 0, depth, s, td->pv, reported);
        w = std::max(2 * w, 25);
        if (s <= alpha)
          alpha = alpha - w < -kMateRange ? -kInfinity : alpha - w;
        else
          beta = beta + w >= kMateRange ? kInfinity : beta + w;
        s = -Search(pos, side ^ 1, 2, depth - 1, -beta, -alpha, 0, scratch);
      }
      bound = alpha;
    }
    UnmakeMove(pos);
    td->root_result.store(0, std::memory_order_relaxed);

    if (Stopped()) {
      // A fail high that the stop cut short may still be worth reporting,
      // as the bound it is; a stop before any result has no move to offer.
      // Only the main line feeds the shared result.
      if (main_thread && slot == 0 &&
          td->root_score.load(std::memory_order_relaxed) > SearchData.best_score.load(std::memory_order_relaxed) + 24 &&
          td->pv[1] && td->pv[1] != SearchData.pv[1]) {
        td->completed_depth.store(uint8_t(depth), std::memory_order_relaxed);
        td->root_result.store(uint8_t(reported), std::memory_order_relaxed);
        NewBestMove(td);
      }
      return false;
    }

    std::memcpy(td->pv, saved_pv, sizeof saved_pv);
    td->best_move.store(td->pv[1], std::memory_order_relaxed);
    td->root_score.store(int16_t(saved_score), std::memory_order_relaxed);
    root->moves_searched++;
    if (s > bound) e->score = int16_t(s);
    if (s > best) {
      td->root_score.store(int16_t(s), std::memory_order_relaxed);
      SetThreadBest(td, m);
      CopyContinuation(td->pv, scratch, 1);
      td->completed_depth.store(uint8_t(depth), std::memory_order_relaxed);
      if (main_thread && slot == 0) NewBestMove(td);
      const MoveEntry chosen = *e;
      std::memmove(&list[slot + 1], &list[slot], sizeof(MoveEntry) * size_t(i - slot));
      list[slot] = chosen;
      best = s;
    }
  }
  if (main_thread) {
    // A forced reply: the time check may stop once the result is deep enough.
    SearchData.settled_depth.store(uint8_t(ListLength(list) == 1 ? 100 : depth), std::memory_order_relaxed);
    if (main_role && depth == 1) DisplaySearchInfo(0, 0, 1, best, td->pv);
  }
  return true;
}

void ThreadSearch(ThreadRecord* td) {
  Position* pos = &td->pos;
  const bool main_thread = td->index == 0;

  ResetOrdering(td);
  if (main_thread) ResetPVLines();
  PlyRecord* root = &td->ply[1];
  root->alpha = -kInfinity;
  root->beta = kInfinity;
  root->node_type = 0;
  root->ext_acc = root->iid = root->moves_searched = root->draw = 0;
  root->hash_move = 0;
  root->threat[0] = root->threat[1] = 0;
  root->tb_result = -1;
  td->ply[3].killer[0] = td->ply[3].killer[1] = 0;
  // The sentinel below the root reads as a PV node with no pending extension.
  td->ply[0].node_type = 0;
  td->ply[0].ext_acc = 0;
  td->ply[0].move_flags = 0;

  const int side = pos->side;
  const int in_check = SqAtakd(pos, pos->list[side][King][0], side ^ 1);
  root->in_check = in_check;
  const int eval = Evaluate(td, side, 1, in_check, PBlock.eval_trace);
  td->root_score.store(int16_t(eval), std::memory_order_relaxed);
  td->root_eval = int16_t(eval);
  root->eval = int16_t(eval);
  td->ply[0].eval = int16_t(-eval);

  GenerateAll(pos);
  MoveEntry* list = RootList(td);
  RemoveIllegalMoves(pos, side, list);
  if (list->move == EndOfList) {
    td->root_score.store(int16_t(in_check ? -kMatedAtRoot : 0), std::memory_order_relaxed);
    td->depth.store(1, std::memory_order_relaxed);
    td->sel_depth = 1;
    td->completed_depth.store(1, std::memory_order_relaxed);
    NewBestMove(td);
    StopIfRunning(StopNoMoves);
    return;
  }

  // Depth 0 is the tools' quiescence mode; a depth below it means one ply.
  int max_depth = SearchData.max_depth;
  if (max_depth < 0) max_depth = 1;
  if (max_depth == 0) {
    if (!in_check) {
      if (main_thread) QuiescenceRoot(td, side, eval, list->move);
      return;
    }
    max_depth = 1;
  }

  PrescoreAll(pos, list);
  if (main_thread) {
    if (ProbeRootTables(td, list)) return;
    // Until depth 1 has a result, a stop still reports the move tried first.
    SelectBest(list);
    Lock(spinlock1);
    if (!SearchData.pv[1]) {
      SearchData.pv[1] = list->move;
      SearchData.pv[2] = 0;
    }
    Unlock(spinlock1);
  } else if (SearchData.tb_result != -1) {
    return;
  }
  root->tb_result = SearchData.tb_result;

  const int multipv = MultiPV();
  for (int d = 1;; d++) {
    if (main_thread) {
      td->depth.store(uint8_t(d), std::memory_order_relaxed);
      SearchData.iteration_depth.store(int8_t(d), std::memory_order_release);
      if (d == 2) ReleaseHelpers();
    } else {
      if (d > 6 && d < max_depth && d < kLastIteration && multipv == 1) d = SkipCrowdedDepth(d);
      td->depth.store(uint8_t(d), std::memory_order_relaxed);
      AddRootNoise(td, list);
    }
    if (main_thread && multipv > 1) StartPVLineSet();
    for (int k = 0;; k++) {
      // A line the stop cut short is no finished line.
      if (!SearchRoot(pos, side, d, k)) break;
      const int slot = k + 1;
      if (main_thread && multipv > 1) KeepPVLine(td, k, d);
      if (Stopped() || slot >= multipv || list[slot].move == EndOfList) break;
    }
    SearchData.nodes_by_depth[d].fetch_add(td->counters[CountNodes].load(std::memory_order_relaxed),
                                           std::memory_order_relaxed);
    if (Stopped()) break;
    if (main_thread) {
      if (multipv > 1) RankPVLines(list);
      SearchData.elapsed_at_completed = SearchData.elapsed.load(std::memory_order_relaxed);
      SearchData.last_completed_depth.store(uint8_t(d), std::memory_order_relaxed);
    }
    const int best = SearchData.best_score.load(std::memory_order_relaxed);
    if (best >= kMatedAtRoot - d || best < d - kMatedAtRoot || d >= max_depth || d >= kLastIteration) break;
  }
}

void DisplayFinalInfo() {
  const int depth = SearchData.best_depth, score = SearchData.best_score;
  DisplaySearchInfo(0, 1, depth, score, SearchData.pv, SearchData.best_bound);
  const int multipv = MultiPV();
  if (multipv == 1 || depth == 0 || !SearchData.pv[1]) return;
  // The best line, then the lines of the set under way, then those of the
  // last finished set, each first move once: where the stop cut a set
  // short, the numbers it did not reach show the last set's other lines.
  Move used[kMaxPVLines];
  used[0] = SearchData.pv[1];
  int n = 1;
  for (int k : {current_set, current_set ^ 1}) {
    const PVLineSet& set = line_sets[k];
    for (int i = 0; i < set.count && n < multipv && n < kMaxPVLines; i++) {
      const PVLine& line = set.line[i];
      if (std::find(used, used + n, line.pv[1]) != used + n) continue;
      used[n++] = line.pv[1];
      const ShownLine& last = shown[n];
      if (last.depth != line.depth || last.score != line.score || last.move != line.pv[1])
        ShowPVLine(n, line.depth, line.score, line.pv);
    }
  }
}

void SearchIterations() {
  InitSearchThreads();
  ThreadRecord* td = ThreadData[0].load(std::memory_order_acquire);
  if (!td) return;
  ThreadSearch(td);
  StopIfRunning(StopReport);
}
