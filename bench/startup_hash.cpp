// Start-up and table clearing with a large table, through the real program:
// the time from start to "readyok" with Hash 16 and Hash 8192, and the time of
// "setoption name Clear_Hash" (to the "readyok" after it) with Hash 8192 on 1
// and on 8 threads, first on a table fresh from the system, then again. Each
// figure is the best of the runs. Usage: bench_startup_hash [runs, default 3]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/test/uci_harness.h"

namespace {

constexpr double kTimeout = 120.0;

struct Figures {
  double start = 1e9, first_clear = 1e9, second_clear = 1e9;
};

double Ready(harness::Engine& e) {
  const double t0 = harness::Now();
  harness::Send(e, "isready");
  return harness::WaitFor(e, "readyok", kTimeout) ? harness::Now() - t0 : -1.0;
}

double Clear(harness::Engine& e) {
  const double t0 = harness::Now();
  harness::Send(e, "setoption name Clear_Hash");
  harness::Send(e, "isready");
  return harness::WaitFor(e, "readyok", kTimeout) ? harness::Now() - t0 : -1.0;
}

// One engine at a time, ended before the next starts: an 8 GB table twice
// over would not fit beside other work.
bool Run(int hash, int threads, bool clears, Figures* best) {
  harness::Engine e;
  const double t0 = harness::Now();
  if (!harness::Start(e, {"-hash", std::to_string(hash), "-threads", std::to_string(threads)})) return false;
  if (Ready(e) < 0) return false;
  best->start = std::min(best->start, harness::Now() - t0);
  if (clears) {
    const double first = Clear(e), second = Clear(e);
    if (first < 0 || second < 0) return false;
    best->first_clear = std::min(best->first_clear, first);
    best->second_clear = std::min(best->second_clear, second);
  }
  return harness::Quit(e, 60.0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  Figures small, large1, large8;
  for (int i = 0; i < runs; i++) {
    if (!Run(16, 1, false, &small) || !Run(8192, 1, true, &large1) || !Run(8192, 8, true, &large8)) {
      std::printf("engine failed\n");
      return 1;
    }
  }
  std::printf("best of %d runs\n", runs);
  std::printf("start to readyok, Hash 16:   %6.3f s\n", small.start);
  std::printf("start to readyok, Hash 8192: %6.3f s (1 thread), %6.3f s (8 threads), %+.3f s over Hash 16\n",
              large1.start, large8.start, large1.start - small.start);
  for (const auto& [n, f] : {std::pair{1, large1}, std::pair{8, large8}})
    std::printf("Clear_Hash, Hash 8192, %d thread%s: %6.3f s on a fresh table, %6.3f s again\n", n,
                n > 1 ? "s" : "", f.first_clear, f.second_clear);
  return 0;
}
