// Start-up and table clearing with a large table, through the real program:
// the time from start to "readyok" with Hash 16 and Hash 8192, and with Hash
// 8192 on 1 and on 8 threads the time to the "readyok" after
// "setoption name Clear_Hash" and after "ucinewgame": on a table fresh from
// the system, again, and after a search of one second. The nodes of those
// searches show what the table's first touch costs the search: the first
// runs on the fresh table, the second on the cleared one. Each time is the
// best of the runs, each node count the largest.
// Usage: bench_startup_hash [runs, default 3]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/test/uci_harness.h"

namespace {

constexpr double kTimeout = 120.0;

struct Figures {
  double start = 1e9;
  double clear_fresh = 1e9, clear_again = 1e9, newgame_clean = 1e9;
  double clear_searched = 1e9, newgame_searched = 1e9;
  double nodes_fresh = 0, nodes_cleared = 0;
};

// Seconds from sending the command to the "readyok" after it; -1 on time-out.
double Timed(harness::Engine& e, const std::string& command) {
  const double t0 = harness::Now();
  if (!command.empty()) harness::Send(e, command);
  harness::Send(e, "isready");
  return harness::WaitFor(e, "readyok", kTimeout) ? harness::Now() - t0 : -1.0;
}

// A search of one second from the start position; its node count, -1 on
// time-out.
double Think(harness::Engine& e) {
  harness::Send(e, "position startpos");
  harness::Send(e, "go movetime 1000");
  std::vector<std::string> lines;
  if (!harness::WaitFor(e, "bestmove", kTimeout, nullptr, &lines)) return -1.0;
  double nodes = 0;
  for (const std::string& line : lines)
    if (!harness::Field(line, "nodes").empty()) nodes = std::atof(harness::Field(line, "nodes").c_str());
  return nodes;
}

void Keep(double value, double* best) { *best = std::min(*best, value); }

// One engine at a time, ended before the next starts: an 8 GB table twice
// over would not fit beside other work.
bool Run(int hash, int threads, bool clears, Figures* best) {
  harness::Engine e;
  const double t0 = harness::Now();
  if (!harness::Start(e, {"-hash", std::to_string(hash), "-threads", std::to_string(threads)})) return false;
  if (Timed(e, "") < 0) return false;
  Keep(harness::Now() - t0, &best->start);
  if (clears) {
    const double fresh = Timed(e, "setoption name Clear_Hash"), again = Timed(e, "setoption name Clear_Hash");
    const double clean = Timed(e, "ucinewgame");
    const double nodes_fresh = Think(e);
    const double searched = Timed(e, "setoption name Clear_Hash");
    const double nodes_cleared = Think(e);
    const double newgame = Timed(e, "ucinewgame");
    if (std::min({fresh, again, clean, nodes_fresh, searched, nodes_cleared, newgame}) < 0) return false;
    Keep(fresh, &best->clear_fresh);
    Keep(again, &best->clear_again);
    Keep(clean, &best->newgame_clean);
    Keep(searched, &best->clear_searched);
    Keep(newgame, &best->newgame_searched);
    best->nodes_fresh = std::max(best->nodes_fresh, nodes_fresh);
    best->nodes_cleared = std::max(best->nodes_cleared, nodes_cleared);
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
  for (const auto& [n, f] : {std::pair{1, large1}, std::pair{8, large8}}) {
    const char* s = n > 1 ? "s" : "";
    std::printf("Hash 8192, %d thread%s: Clear_Hash %6.3f s on a fresh table, %6.3f s again; ucinewgame %6.3f s\n",
                n, s, f.clear_fresh, f.clear_again, f.newgame_clean);
    std::printf("Hash 8192, %d thread%s: after a 1 s search, Clear_Hash %6.3f s, ucinewgame %6.3f s\n", n, s,
                f.clear_searched, f.newgame_searched);
    std::printf("Hash 8192, %d thread%s: nodes in 1 s, %.0f on the fresh table, %.0f after Clear_Hash\n", n, s,
                f.nodes_fresh, f.nodes_cleared);
  }
  return 0;
}
