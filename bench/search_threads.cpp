// Time to depth of the search with 1, 2, 4 and 8 threads over a fixed set of
// positions, with nodes per second. Usage: bench_search_threads [depth] [hash MB]
// [most threads]. The one-thread run lists each position's node count, which
// only a change of what the search computes may alter.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "board/fen.h"
#include "engine/params.h"
#include "engine/startup.h"
#include "eval/weights.h"
#include "search/records.h"
#include "search/searchcontrol.h"
#include "search/searchdata.h"
#include "search/searchparams.h"
#include "search/threads.h"
#include "search/tt.h"

namespace {

const char* const kPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -",
    "r1bq1rk1/pp2bppp/2n2n2/2pp4/3P4/2PBPN2/PP1N1PPP/R2QK2R w KQ -",
    "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -",
    "2r2rk1/1bqnbppp/p2ppn2/1p6/3NP3/1BN1BP2/PPPQ2PP/2KR3R w - -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "6k1/5p2/6p1/8/7p/8/6PP/6K1 b - -",
};

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int depth = argc > 1 ? std::atoi(argv[1]) : 15;
  const int hash = argc > 2 ? std::atoi(argv[2]) : 64;
  const int most = argc > 3 ? std::atoi(argv[3]) : 8;

  if (!StartUpDefaults()) return 1;
  Personality.Hash = int16_t(hash);
  PBlock.info_delay = kSilentInfoDelay;
  SearchData.hash_size = Personality.Hash;
  if (!HashInit()) return 1;
  SetSearchParams();
  SetEvalParams();

  std::printf("depth %d, hash %d MB, %zu positions\n", depth, hash, sizeof kPositions / sizeof *kPositions);
  double base = 0;
  for (int threads : {1, 2, 4, 8}) {
    if (threads > most) break;
    KillThreadPool(SearchData.thread_count);
    SearchData.thread_count = uint8_t(threads);
    Personality.Threads = int16_t(threads);
    if (CreateThreadPool(threads) != 0) return 1;
    double total = 0;
    double nodes = 0;
    for (const char* fen : kPositions) {
      SetPosition(&CTD->pos, fen);
      SearchData.max_depth = int8_t(depth);
      SearchData.node_limit = 0;
      SearchData.time_control = TimeFixed;
      SearchData.fixed_time = 1e7;
      SearchData.go_request = StateThinking;
      PrepareNewSearch();
      HashClear();
      const double t0 = Seconds();
      StartSearch();
      while (ThreadsAreBusy()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      total += Seconds() - t0;
      Collect();
      const double n = double(SearchData.totals[TotalNodes].load());
      if (threads == 1) std::printf("  %.0f nodes  %s\n", n, fen);
      nodes += n;
    }
    if (threads == 1) base = total;
    std::printf("threads %d: time to depth %.3f s, ratio %.2f, nodes %.0f, nps %.0f\n", threads, total,
                base / total, nodes, nodes / total);
  }
  KillThreadPool(SearchData.thread_count);
  return 0;
}
