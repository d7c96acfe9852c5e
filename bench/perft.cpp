// Perft 6 from the start position on one thread, with its speed.
#include <chrono>
#include <cstdio>

#include "board/bitboard.h"
#include "board/fen.h"
#include "board/perft.h"
#include "search/keys.h"
#include "search/records.h"

int main() {
  InitBitboards();
  InitHashKeys();
  ThreadRecord* td = NewThreadRecord(0);
  if (!td) return 1;
  SetPosition(&td->pos, fen_opn);
  const auto start = std::chrono::steady_clock::now();
  Perft1(td, td->pos.side, 1, 6);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const uint64_t nodes = td->counters[CountNodes].load();
  std::printf("perft 6: %llu nodes (%s) in %.3f s, %.1f M nodes per second\n", (unsigned long long)nodes,
              nodes == 119060324ULL ? "correct" : "WRONG, expected 119060324", seconds, nodes / seconds / 1e6);
  delete td;
  return nodes == 119060324ULL ? 0 : 1;
}
