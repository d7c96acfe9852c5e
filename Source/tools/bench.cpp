#include "tools/bench.h"

#include <cstdio>

#include "board/fen.h"
#include "engine/output.h"
#include "engine/params.h"
#include "search/root.h"
#include "search/searchdata.h"
#include "search/threads.h"
#include "search/searchcontrol.h"
#include "search/tt.h"
#include "tools/poolsearch.h"

int profile = 0;

namespace {

constexpr const char* kPositions[10] = {
    "r1bqkb1r/pp1ppppp/2n2n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R b KQkq -",
    "1n5k/3q3p/pp1p2pB/5r2/1PP1Qp2/P6P/6P1/2R3K1 w - -",
    "1r1qbr1k/4bp1p/p3p2Q/3pP3/2pP4/P1N1PN2/1PR2RP1/6K1 b - -",
    "2r1q2k/7p/p1np1P1P/8/1pP2R2/8/PP1Q4/R1KN2r1 b - -",
    "r2r2k1/5pp1/2bPp3/p1N4p/1qQ5/2P2P2/BP4PP/1K1R4 b - -",
    "5r1k/5rp1/p1n1p1qp/2P1p3/P7/4QN1P/5PP1/2R1R2K w - -",
    "2r3k1/1pq1b1p1/p1b1pr1p/8/PP2pP2/2P1B3/4B1PP/RQR4K w - -",
    "1r3b2/3R2pk/6q1/3Q1p2/p6P/4B2P/1P3P1K/8 w - -",
    "r2r2k1/6bp/1P2q1p1/4pp2/p1N5/2Q5/PPR3PP/4R2K b - -",
    "2r1q2k/7p/p1np1P1P/8/1pP2R2/8/PP1Q4/R1KN2r1 b - -",
};

}  // namespace

void Bench() {
  SearchData.fixed_time = 99.0;
  PBlock.info_delay = kSilentInfoDelay;
  if (SearchData.max_depth > 40) SearchData.max_depth = 17;
  char line[128];
  std::snprintf(line, sizeof line, "Kerv 3.75 running benchmark using %d threads", SearchData.thread_count);
  ShowMessage(line);
  double total_time = 0.01;
  double total_nodes = 0.0;
  for (int i = 0; i < 10 && !PBlock.quit; i++) {
    SetPosition(&CTD->pos, kPositions[i]);
    if (SearchData.hash_enabled) HashClear();
    PrepareNewSearch();
    if (profile) {
      SearchData.max_depth = 17;
      SearchIterations();
    } else {
      RunPoolSearch();
    }
    GetElapsedTime();
    Collect();
    const double elapsed = SearchData.elapsed;
    total_time += elapsed;
    total_nodes += static_cast<double>(SearchData.totals[TotalNodes].load());
    std::snprintf(line, sizeof line, "pos %2d: %6.2f seconds", i, elapsed);
    ShowMessage(line);
  }
  std::snprintf(line, sizeof line, "total time= %0.2f seconds, nodes= %.0f, nps= %.0f", total_time, total_nodes,
                total_nodes / total_time);
  ShowMessage(line);
  PBlock.quit = 1;
}
