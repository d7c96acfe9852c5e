#include "search/searchcontrol.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include "board/fen.h"
#include "engine/output.h"
#include "engine/params.h"
#include "search/output.h"
#include "search/searchdata.h"
#include "search/threads.h"
#include "search/tt.h"

double MonotonicSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void PrepareNewSearch() { PrepareNewSearchAt(MonotonicSeconds()); }
void SearchTimecheck() { SearchTimecheckAt(MonotonicSeconds()); }
void GetElapsedTime() { SearchData.elapsed.store(MonotonicSeconds() - start, std::memory_order_relaxed); }

// The next size to try after mb could not be had: half as much, but the
// size that was had before comes first, since it fitted.
static int SmallerHash(int mb, int had) { return mb / 2 > had || mb <= had ? mb / 2 : had; }

void ResizeTable() {
  if (SearchData.hash_size == Personality.Hash) return;
  // A table still being touched is not waited for: freeing it stops the touch.
  const int asked = Personality.Hash, had = SearchData.hash_size;
  // Switched on before the allocation, which then starts the age afresh; the
  // new table is empty as it comes.
  if (asked >= 1 && !SearchData.hash_enabled) SearchData.hash_enabled = 1;
  // One table at a time: the old one is freed before the new one is asked
  // for, so the largest size that fits is the one kept.
  int mb = asked;
  SearchData.hash_size = int16_t(mb);
  while (!HashInitUntouched() && mb > 0) {
    mb = SmallerHash(mb, had);
    SearchData.hash_size = int16_t(mb);
  }
  HashTouchInBackground();
  if (mb != asked) {
    // The option then names the size in use, so the next search does not
    // try again.
    Personality.Hash = int16_t(mb);
    char line[128];
    std::snprintf(line, sizeof line, "%sHash of %d MB could not be allocated, using %d MB",
                  InfoPrefix(), asked, mb);
    ShowMessage(line);
  }
  if (SearchData.hash_size < 1) SearchData.hash_enabled = 0;
}

// The age rises with the game until here. A store weighs a slot by
// age * 16 + depth and holds slot 0 to 30000, so an older game's age would
// make slot 0 every bucket's victim; beyond this the age stands still.
constexpr int kMaxTableAge = 1800;

// A fixed limit is the whole clock of its search. It stands in for the
// side's clock rather than overwriting it, so the next go starts from the
// clocks the game set, whatever limit came before.
static double SearchClock(int side) {
  return SearchData.time_control == TimeFixed ? SearchData.fixed_time : SearchData.clock[side];
}

static double TargetTime(int side, int game_ply) {
  SearchRecord& sd = SearchData;
  if (sd.time_control == TimeFixed) return sd.fixed_time;
  const double c = sd.clock[side];
  const int k = sd.time_control;
  bool bonus = true;
  int moves_to_go;
  if (k != TimeSuddenDeath && (PBlock.protocol != 1 || sd.moves_to_go > 0)) {
    moves_to_go = PBlock.protocol == 1 ? sd.moves_to_go : k - (game_ply / 2) % k;
    bonus = moves_to_go > 2;
  } else {
    // Also a "movestogo" of 0 or less, which would divide by zero or less.
    moves_to_go = game_ply > 25 ? 23 : 35 - game_ply / 2;
  }
  sd.moves_to_go = int16_t(moves_to_go);
  double target = c / (moves_to_go + 1);
  if (sd.ponder && bonus) target *= 1.3;
  const double inc = sd.increment;
  if (inc > 0) target += inc * c / (2 * inc + c);
  target = std::min(target, 0.65 * c - 4 * sd.move_overhead);
  return std::max(target, 0.002);
}

static void LogPosition(int side) {
  char epd[256], line[320];
  MakeEPD(&CTD->pos, epd);
  if (PBlock.protocol == 1) {
    if (!Personality.Log || !fdlog) return;
    std::fprintf(fdlog, "info string fen %s\n", epd);
    std::fprintf(fdlog, "info string ply= %d, trg_time= %0.3f sec\n", GamePlies(CTD), SearchData.target_time);
    std::fflush(fdlog);
    return;
  }
  std::snprintf(line, sizeof line, "fen %s", epd);
  ShowMessage(line);
  std::snprintf(line, sizeof line, "Ply= %d, cnt50= %d, Clock= %0.2fs, Target time= %0.2fs", GamePlies(CTD),
                CTD->pos.fifty, SearchClock(side), SearchData.target_time);
  ShowMessage(line);
}

void PrepareNewSearchAt(double now) {
  SearchRecord& sd = SearchData;
  sd.elapsed.store(0.0, std::memory_order_relaxed);
  CTD->search_ply = 1;
  CTD->pv[1] = NullMove;
  const int side = CTD->pos.side;
  sd.engine_side = uint8_t(side);
  start = now;
  if (!Personality.UCI_LimitStrength) sd.target_nps.store(1e9, std::memory_order_relaxed);

  sd.ponder = uint16_t(Personality.Ponder);
  sd.stop.store(StopRun, std::memory_order_relaxed);
  sd.pv[1] = NullMove;
  sd.best_score.store(-10000, std::memory_order_relaxed);
  sd.best_bound = 0;
  sd.move_overhead = Personality.MoveOverhead * 0.001;
  sd.best_depth.store(0, std::memory_order_relaxed);
  sd.iteration_depth.store(0, std::memory_order_relaxed);
  sd.last_completed_depth.store(0, std::memory_order_relaxed);
  sd.change_depth.store(0, std::memory_order_relaxed);
  sd.settled_depth.store(0, std::memory_order_relaxed);
  sd.elapsed_at_completed = 0.0;

  // The age is set after a re-allocation, which would reset it to 0 and make
  // every empty slot count as current.
  ResizeTable();
  const int plies = GamePlies(CTD);
  sd.age = uint16_t(std::min(plies + 1, kMaxTableAge));
  // A controller reads only info lines.
  if (plies + 1 > 1000) ShowFormatted("%swhat?", InfoPrefix());

  for (int d = 0; d < kMaxPly; d++) {
    sd.score_by_depth[d] = -10000;
    sd.move_by_depth[d] = NullMove;
    sd.nodes_by_depth[d].store(0, std::memory_order_relaxed);
  }
  sd.state.store(sd.go_request, std::memory_order_relaxed);
  sd.target_time = TargetTime(side, GamePlies(CTD));
  if (PBlock.info_delay < kSilentInfoDelay) LogPosition(side);
}

// Below the reserve the clock cannot pay for a think of the usual length.
static bool UnderReserve(double clock_left) {
  return SearchData.time_control != TimeFixed && clock_left < 5 * SearchData.move_overhead;
}

bool ClockUnderReserve() {
  const SearchRecord& sd = SearchData;
  const uint8_t state = sd.state.load(std::memory_order_relaxed);
  double spent = sd.elapsed.load(std::memory_order_relaxed);
  // Pondering spends the opponent's time. Between searches, what the last
  // search left of its clock stands for the next one (its workers are idle,
  // so their last record is complete).
  if (state == StatePondering) spent = 0.0;
  if (state == StateIdle) spent = sd.elapsed_at_completed;
  return UnderReserve(std::max(0.0, sd.clock[sd.engine_side] - spent));
}

void SearchTimecheckAt(double now) {
  SearchRecord& sd = SearchData;
  const double elapsed = now - start;
  sd.elapsed.store(elapsed, std::memory_order_relaxed);
  const int d = sd.iteration_depth.load(std::memory_order_relaxed);
  const double r = std::max(0.0, SearchClock(sd.engine_side) - elapsed);
  // The 15 ms minimum keeps a clocked move from ending on a first,
  // shallow result; a fixed time, or a move time beside the clock, is a
  // promise to answer by then, and under the reserve the minimum would cost
  // more than the increment gives back.
  const bool short_clock = UnderReserve(r);
  const bool fixed = sd.time_control == TimeFixed;
  const bool capped = !fixed && elapsed >= sd.time_cap;
  if (Stopped() || sd.state.load(std::memory_order_relaxed) == StatePondering || d < 2 ||
      (elapsed < 0.015 && !short_clock && !fixed && !capped))
    return;

  Lock(spinlock1);
  const int p = sd.score_by_depth[d - 1];
  const Move best_move = sd.pv[1];
  Unlock(spinlock1);
  const int best = sd.best_score.load(std::memory_order_relaxed);
  const int a = std::abs(p);
  const int m = a < 800 ? (a >> 4) + 15 : 65;

  // Bonus in percent of the remaining clock.
  int b = 0;
  for (int i = 0; i < sd.thread_count && i < kMaxThreads; i++) {
    const ThreadRecord* td = ThreadData[i].load(std::memory_order_acquire);
    if (!td || td->depth.load(std::memory_order_relaxed) < d) continue;
    const Move move = td->best_move.load(std::memory_order_relaxed);
    const int score = td->root_score.load(std::memory_order_relaxed);
    const int bound = td->root_result.load(std::memory_order_relaxed);
    if (move != best_move && score > best) {
      if (bound == ScoreLower) b = std::max(b, 2);
      if (score > best + 24) b = std::max(b, 18);
    }
    if (move == best_move && score < best && bound == ScoreUpper) b = std::max(b, i == 0 ? 24 : 16);
  }
  if (best < p - 4 * m)
    b = 24;
  else if (best < p - 2 * m)
    b = std::max(b, 10);
  else if (best < p - m)
    b = std::max(b, 4);
  const int change = sd.change_depth.load(std::memory_order_relaxed);
  if (d > 6 && d == change) b = std::max(b, 2);
  if (d > 6 && d - 1 == change) b = std::max(b, 1);

  double limit = b * 0.01 * r + sd.target_time;
  if (fixed) {
    if (elapsed < limit) return;
  } else {
    limit -= sd.move_overhead;
    const int settled = sd.settled_depth.load(std::memory_order_relaxed);
    if (d >= 9 && b == 0 && d - 1 <= settled) {
      if (d - 6 > change)
        limit *= 0.7;
      else if (d - 3 > change)
        limit *= 0.85;
    }
    const bool forced = settled > 69 && sd.best_depth.load(std::memory_order_relaxed) > 6;
    if (!forced && !short_clock && !capped && elapsed < limit) return;
  }
  if (sd.best_depth.load(std::memory_order_relaxed) < 2) return;
  StopIfRunning(sd.state.load(std::memory_order_relaxed) == StateThinking ? StopReport : StopAbort);
}

double FixedTimeLeft() {
  const SearchRecord& sd = SearchData;
  constexpr double kDay = 86400.0;
  if (sd.state.load(std::memory_order_relaxed) == StateIdle) return kDay;
  const double limit = sd.time_control == TimeFixed ? sd.fixed_time : sd.time_cap;
  return std::min(kDay, start + limit - MonotonicSeconds());
}

double EffectiveBranchingFactor() {
  const int d = SearchData.last_completed_depth.load(std::memory_order_relaxed);
  if (d < 6 || d >= kMaxPly) return 2.0;
  const double now = double(SearchData.nodes_by_depth[d].load(std::memory_order_relaxed));
  const double before = double(SearchData.nodes_by_depth[d - 4].load(std::memory_order_relaxed));
  if (now == 0 || before == 0) return 2.0;
  return std::pow(now / before, 0.25);
}
