// The start of a user who runs the program under "ulimit -v 3000000" (and
// under a tighter 2250000, which leaves about 200 MB beside the table) with
// -hash 2048 and asks for 1, 16, 18 or 80 threads: the threads kept, and
// the seconds from the start to the calibration line and to the first
// "readyok" (the table's pages are taken by then). Each figure is the median
// and the worst of the runs; the engines run one at a time, so that a busy
// machine shows as it is.
// Usage: bench_limited_start [runs, default 5] [program, default the one
// built beside this benchmark]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The harness starts the program named here: the one built beside this
// benchmark, or the one named on the command line.
static const char* program = KERV_BINARY;
#undef KERV_BINARY
#define KERV_BINARY program
#include "engine/test/uci_harness.h"

namespace {

constexpr double kTimeout = 120.0;
constexpr size_t kLimitsKb[] = {3000000, 2250000};
constexpr int kThreads[] = {1, 16, 18, 80};

struct Run {
  double calibrated = -1, ready = -1;
  int kept = 0;
};

bool Once(size_t limit_kb, int threads, Run* run) {
  harness::Engine e;
  const double t0 = harness::Now();
  if (!harness::Start(e, {"-hash", "2048", "-threads", std::to_string(threads)}, "", {{}, limit_kb * 1024})) return false;
  harness::Send(e, "isready");
  run->kept = threads;
  std::string line;
  while (harness::ReadLine(e, &line, kTimeout)) {
    const std::string said = "info string Threads of " + std::to_string(threads) + " could not be started, using ";
    if (line.rfind(said, 0) == 0) run->kept = std::atoi(line.c_str() + said.size());
    if (line.rfind("info string et=", 0) == 0) run->calibrated = harness::Now() - t0;
    if (line == "readyok") {
      run->ready = harness::Now() - t0;
      break;
    }
  }
  return harness::Quit(e, 60.0) == 0 && run->ready > 0;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (argc > 2) program = argv[2];
  for (size_t limit_kb : kLimitsKb) {
    std::printf("%s, -hash 2048 under an address space of %zu KB, %d runs: median (worst)\n", program, limit_kb,
                runs);
    std::printf(" threads   kept          calibrated          readyok\n");
    for (int threads : kThreads) {
      std::vector<double> kept, calibrated, ready;
      for (int r = 0; r < runs; r++) {
        Run run;
        if (!Once(limit_kb, threads, &run)) {
          std::printf("engine failed: %d threads\n", threads);
          return 1;
        }
        kept.push_back(run.kept);
        calibrated.push_back(run.calibrated);
        ready.push_back(run.ready);
      }
      std::printf("%8d %4.0f (%2.0f-%2.0f) %7.2fs (%5.2fs) %7.2fs (%5.2fs)\n", threads, Median(kept),
                  *std::min_element(kept.begin(), kept.end()), *std::max_element(kept.begin(), kept.end()),
                  Median(calibrated), *std::max_element(calibrated.begin(), calibrated.end()), Median(ready),
                  *std::max_element(ready.begin(), ready.end()));
    }
  }
  return 0;
}
