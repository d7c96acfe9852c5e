// Answer latency through a pipe, as a match runner sees it: "position" and
// "go movetime T" written together, then the time to "bestmove"; median and
// maximum over the runs at T = 10, 100 and 1000 ms. Then the time for 5,000
// "isready" lines written at once to be answered.
// Usage: bench_movetime [runs, default 20] [program, default the one built
// beside this benchmark]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static const char* program = KERV_BINARY;
#undef KERV_BINARY
#define KERV_BINARY program
#include "engine/test/uci_harness.h"
#include "lateness.h"

namespace {

constexpr double kTimeout = 30.0;
constexpr int kMoveTimes[] = {10, 100, 1000};
constexpr int kReadyLines = 5000;

double ManyReady(harness::Engine& e) {
  std::string lines;
  for (int i = 0; i < kReadyLines; i++) lines += "isready\n";
  const double t0 = harness::Now();
  harness::SendRaw(e, lines);
  for (int i = 0; i < kReadyLines; i++)
    if (!harness::WaitFor(e, "readyok", kTimeout * 4)) return -1.0;
  return harness::Now() - t0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  if (argc > 2) program = argv[2];
  harness::Engine e;
  // Set up as a match runner does: uci, then isready before the first game.
  if (!harness::Start(e, {}) || (harness::SendRaw(e, "uci\nisready\n"), !harness::WaitFor(e, "readyok", kTimeout))) {
    std::printf("engine failed to start\n");
    return 1;
  }
  std::printf("%s: ms from position+go movetime T to bestmove, past T, over %d runs\n", program, runs);
  for (int ms : kMoveTimes) {
    const std::vector<double> late = MovetimeLateness(e, ms, runs, kTimeout);
    if (late.empty()) {
      std::printf("engine failed at movetime %d\n", ms);
      return 1;
    }
    std::printf("T = %4d ms: median +%.1f ms, max +%.1f ms\n", ms, late[late.size() / 2], late.back());
  }
  const double ready = ManyReady(e);
  if (ready < 0) {
    std::printf("engine failed to answer %d isready lines\n", kReadyLines);
    return 1;
  }
  std::printf("%d isready lines answered in %.3f s\n", kReadyLines, ready);
  return harness::Quit(e, 60.0) == 0 ? 0 : 1;
}
