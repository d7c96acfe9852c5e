// A go right after a Hash change, with the engine on one processor: the new
// table's pages are taken in the background on the same core as the search.
// Each run starts a fresh engine, waits for "uciok", then writes
// "setoption name Hash value 1024", "position startpos" and the go at once
// (no "isready" between) and times the "bestmove". Shown for a move time and
// for a short clock: the median and the worst milliseconds of the runs,
// beside the same with Hash left at 16, the engine's answer on that core
// when no table is being taken.
// Usage: bench_hash_then_go [runs, default 20] [program, default the one
// built beside this benchmark]
#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static const char* program = KERV_BINARY;
#undef KERV_BINARY
#define KERV_BINARY program
#include "engine/test/uci_harness.h"

namespace {

constexpr double kTimeout = 30.0;
constexpr const char* kGoes[] = {"go movetime 100", "go wtime 300 btime 300"};
constexpr int kHashes[] = {1024, 16};

// Binds this process, and so every engine it starts, to the first processor
// it may run on.
bool PinToOneProcessor() {
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
  for (int cpu = 0; cpu < CPU_SETSIZE; cpu++) {
    if (!CPU_ISSET(cpu, &allowed)) continue;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    return sched_setaffinity(0, sizeof one, &one) == 0;
  }
  return false;
}

// Milliseconds from the go to its "bestmove"; -1 when the engine failed.
double Answer(int hash, const std::string& go) {
  harness::Engine e;
  if (!harness::Start(e, {"-hash", "16"})) return -1.0;
  harness::Send(e, "uci");
  if (!harness::WaitFor(e, "uciok", kTimeout)) return -1.0;
  const double t0 = harness::Now();
  harness::SendRaw(e, "setoption name Hash value " + std::to_string(hash) + "\nposition startpos\n" + go + "\n");
  const bool answered = harness::WaitFor(e, "bestmove", kTimeout);
  const double ms = (harness::Now() - t0) * 1000.0;
  harness::Quit(e, 60.0);
  return answered ? ms : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  if (argc > 2) program = argv[2];
  if (!PinToOneProcessor()) {
    std::printf("could not bind to one processor\n");
    return 1;
  }
  std::printf("%s on one processor, %d fresh engines each\n", program, runs);
  std::printf("%-24s %5s %9s %9s\n", "go", "Hash", "median", "worst");
  for (const char* go : kGoes)
    for (int hash : kHashes) {
      std::vector<double> ms;
      for (int r = 0; r < runs; r++) {
        const double t = Answer(hash, go);
        if (t < 0) {
          std::printf("engine failed: Hash %d, %s\n", hash, go);
          return 1;
        }
        ms.push_back(t);
      }
      std::sort(ms.begin(), ms.end());
      std::printf("%-24s %5d %7.0fms %7.0fms\n", go, hash, ms[ms.size() / 2], ms.back());
    }
  return 0;
}
