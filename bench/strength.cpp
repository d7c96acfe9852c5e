// The strength limit's node rate: searches of the start position on one
// thread under UCI_Elo 1500, 2000 and 2500, each against its target rate.
// Usage: bench_strength [seconds per search, default 5]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "board/bitboard.h"
#include "board/fen.h"
#include "engine/params.h"
#include "engine/startup.h"
#include "eval/weights.h"
#include "search/calibrate.h"
#include "search/records.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

// One search as the main loop runs it: the time check every 5 ms until the
// pool is idle. Returns the nodes searched.
double TimedSearch(double seconds) {
  SetPosition(&CTD->pos, fen_opn);
  SearchData.time_control = TimeFixed;
  SearchData.fixed_time = seconds;
  SearchData.max_depth = 66;
  SearchData.go_request = StateThinking;
  PrepareNewSearch();
  HashClear();
  StartSearch();
  while (ThreadsAreBusy()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    SearchTimecheck();
  }
  Collect();
  return double(SearchData.totals[TotalNodes].load());
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
  if (!StartUpDefaults()) return 1;
  PBlock.info_delay = kSilentInfoDelay;
  SearchData.hash_size = Personality.Hash;
  if (!HashInit()) return 1;
  SearchData.thread_count = 1;
  if (CreateThreadPool(1) != 0) return 1;
  SetSearchParams();
  SetEvalParams();
  Calibrate();

  Personality.UCI_LimitStrength = 0;
  const double free_nodes = TimedSearch(seconds);
  std::printf("no limit:  %.0f nodes in %.3f s, %.0f nodes per second\n", free_nodes, SearchData.elapsed.load(),
              free_nodes / SearchData.elapsed.load());
  Personality.UCI_LimitStrength = 1;
  for (int elo : {1500, 2000, 2500}) {
    const double target = SpeedOfElo(elo);
    SearchData.target_nps = target;
    const double nodes = TimedSearch(seconds);
    const double elapsed = SearchData.elapsed.load();
    std::printf("UCI_Elo %d: target %.0f, %.0f nodes in %.3f s, %.0f nodes per second (%.2f x target), depth %d\n",
                elo, target, nodes, elapsed, nodes / elapsed, nodes / elapsed / target, SearchData.best_depth.load());
  }
  KillThreadPool(SearchData.thread_count);
  HashFree();
  return 0;
}
