#include "search/calibrate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "engine/output.h"
#include "eval/evaluate.h"
#include "platform/sleep.h"
#include "search/ordering.h"
#include "search/searchcontrol.h"
#include "search/searchparams.h"
#include "search/threads.h"

namespace {

constexpr int kCalibrationDepth = 8;
constexpr int kFollowedMoves = 6;
constexpr double kTimeBox = 0.4;
constexpr double kSpeedDiscount = 0.82;  // later searches run slower than this walk
// The rating formula needs a speed above 20; a full strength below the
// lowest settable rating would leave no rating to set.
constexpr double kSlowestSpeed = 21.0;

}  // namespace

double EloOfSpeed(double nps) { return 1337.0 + 111.0 * std::log(std::max(nps, kSlowestSpeed) - 20.0); }

double SpeedOfElo(double elo) { return 20.0 + std::exp((elo - 1337.0) / 111.0); }

double SpeedLimitOfElo(int elo) {
  const int full = std::min(int(SearchData.full_elo), kHighestElo);
  return full - 1 > elo ? SpeedOfElo(elo) : kNoSpeedLimit;
}

void Perft3(ThreadRecord* td, int side, int ply, int depth) {
  if (ply == 1) {
    td->depth.store(uint8_t(depth), std::memory_order_relaxed);
    ResetOrdering(td);
  }
  Count(td, CountNodes);
  Position* pos = &td->pos;
  PlyRecord* p = &td->ply[ply];
  p->node_type = 0;
  p->draw = 0;
  p->depth = int16_t(depth);
  p->alpha = -10000;
  p->beta = 10000;
  p->ext_acc = 0;
  p->iid = 0;
  p->move_flags = 0;
  p->threat[0] = p->threat[1] = 0;
  p->moves_searched = 0;
  p->tb_result = -1;
  p->hash_move = NullMove;
  p->in_check = SqAtakd(pos, pos->list[side][King][0], side ^ 1);
  p->eval = Evaluate(td, side, ply, p->in_check, 0);
  if (depth < 1 || ply >= kMaxPly - 3) return;

  p->stage = kStageFull;
  int legal = 0;
  while (MoveEntry* e = GetNextMove(pos)) {
    if (!e->move || !MoveIsLegal(pos, side, e->move)) continue;
    if (legal++ < kFollowedMoves) {
      MakeMove(pos, e->move);
      Perft3(td, side ^ 1, ply + 1, depth - 1);
      UnmakeMove(pos);
    }
    if (depth > 3) {
      GetElapsedTime();
      if (SearchData.elapsed.load(std::memory_order_relaxed) > kTimeBox) break;
    }
  }
}

void Calibrate() {
  SetPosition(&CTD->pos, fen_opn);
  start = MonotonicSeconds();
  SearchData.elapsed.store(0.0, std::memory_order_relaxed);
  InitSearchThreads();
  ThreadRecord* td = ThreadData[0].load(std::memory_order_acquire);
  if (td) Perft3(td, td->pos.side, 1, kCalibrationDepth);
  GetElapsedTime();
  const double nodes = td ? double(td->counters[CountNodes].load(std::memory_order_relaxed)) : 0.0;
  const double elapsed = SearchData.elapsed.load(std::memory_order_relaxed);
  SearchData.calibrated_nps = std::max(nodes * kSpeedDiscount / (elapsed + 0.001), kSlowestSpeed);
  SearchData.full_elo = std::max(EloOfSpeed(SearchData.calibrated_nps), double(kLowestElo));
  char line[128];
  std::snprintf(line, sizeof line, "info string et= %.3f, nodes= %.0f, nps= %0.0f", elapsed, nodes,
                SearchData.calibrated_nps);
  ShowMessage(line);
  SetSearchParams();
}

void ThrottleWait(const ThreadRecord* td) {
  const SearchRecord& sd = SearchData;
  if (sd.iteration_depth.load(std::memory_order_relaxed) < 2) return;
  const double nodes = double(td->counters[CountNodes].load(std::memory_order_relaxed));
  while (sd.stop.load(std::memory_order_relaxed) == StopRun) {
    // The clock is read here: a search in the calling thread (tools, the
    // benchmark) has no main loop refreshing the elapsed time.
    const double elapsed = MonotonicSeconds() - start;
    if (elapsed <= 0.0 || nodes / elapsed <= sd.target_nps.load(std::memory_order_relaxed)) return;
    // The time check cannot end a search before depth 2 is done, so once the
    // move's time is spent the limit lets that depth finish at full speed
    // rather than lose the game on time.
    if (elapsed >= std::min(sd.target_time, sd.time_cap) && sd.best_depth.load(std::memory_order_relaxed) < 2 &&
        sd.state.load(std::memory_order_relaxed) != StatePondering)
      return;
    SleepMs(1);
    if (sd.target_nps.load(std::memory_order_relaxed) >= kNoSpeedLimit ||
        sd.iteration_depth.load(std::memory_order_relaxed) < 2)
      return;
  }
}
