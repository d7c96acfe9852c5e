// Seconds to "bestmove" for the habits of clients that drive an engine from a
// script, each on a fresh engine: a clock beside depth, nodes or movetime; a
// Hash set right before "position" and "go" with no "isready" between; a
// first "go" right after "uciok". Each figure is the worst of the runs; the
// clock of each go is shown beside it.
// Usage: bench_client_habits [runs, default 3] [program, default the one built
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

namespace {

constexpr double kTimeout = 30.0;

struct Habit {
  const char* name;
  std::vector<std::string> args;
  std::string before;  // lines sent after the start-up, "uci" waited for
  std::string go;
  double clock;
};

const Habit kHabits[] = {
    {"clock and depth", {}, "position startpos", "go wtime 1000 btime 1000 depth 18", 1.0},
    {"clock and nodes", {}, "position startpos", "go wtime 1000 btime 1000 nodes 20000000", 1.0},
    {"short clock and depth", {}, "position startpos", "go wtime 100 btime 100 depth 30", 0.1},
    {"clock and movetime", {}, "position startpos", "go wtime 1000 btime 1000 movetime 5000", 1.0},
    {"Hash 1024 then go", {"-hash", "16"}, "setoption name Hash value 1024\nposition startpos",
     "go wtime 1000 btime 1000", 1.0},
    {"Hash 4096 then go", {"-hash", "16"}, "setoption name Hash value 4096\nposition startpos",
     "go wtime 1000 btime 1000", 1.0},
    {"first go, Hash 64", {}, "uci", "go movetime 50", 0.05},
    {"first go, Hash 2048", {"-hash", "2048"}, "uci", "go movetime 50", 0.05},
};

// Seconds from the go to its "bestmove"; -1 when the engine failed.
double Answer(const Habit& h) {
  harness::Engine e;
  if (!harness::Start(e, h.args) || !harness::WaitFor(e, "info string et=", kTimeout)) return -1.0;
  harness::Send(e, h.before);
  if (h.before == "uci" && !harness::WaitFor(e, "uciok", kTimeout)) return -1.0;
  const double t0 = harness::Now();
  harness::Send(e, h.go);
  const bool answered = harness::WaitFor(e, "bestmove", kTimeout);
  const double seconds = harness::Now() - t0;
  harness::Quit(e, 60.0);
  return answered ? seconds : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  if (argc > 2) program = argv[2];
  std::printf("%s, worst of %d runs (-1: no answer within %.0f s)\n", program, runs, kTimeout);
  std::printf("%-24s %7s %9s\n", "habit", "clock", "bestmove");
  for (const Habit& h : kHabits) {
    double worst = 0;
    for (int r = 0; r < runs; r++) {
      const double s = Answer(h);
      worst = s < 0 || worst < 0 ? -1.0 : std::max(worst, s);
    }
    std::printf("%-24s %6.2fs %8.3fs\n", h.name, h.clock, worst);
  }
  return 0;
}
