// Large tables through the real program, one engine at a time, for Hash 16,
// 1024, 4096 and 8192 on 1 and 8 threads. Set by the -hash switch: seconds
// from the start to "uciok" and to "readyok", and the nodes of a first search
// of one second. Set by "setoption" on an engine started with Hash 16:
// seconds to the "readyok" after it, the nodes of the first search, seconds
// to the "readyok" after "ucinewgame", and the nodes of the search after
// that. Node counts are also shown as a share of the Hash 16 figure of the
// same thread count: a table's first use should cost a search nothing. Each
// time is the best of the runs, each node count the largest. Last, Hash
// lowered to 16 right after "uciok" on an engine started with -hash 8192,
// while its pages are still being taken: seconds to the "readyok" after it
// (the worst of the runs), beside those of a plain "isready" on an engine
// started with -hash 16, and the most memory the engine held by then.
// Usage: bench_startup_hash [runs, default 3] [program, default the one built
// beside this benchmark]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
constexpr int kSizes[] = {16, 1024, 4096, 8192};
constexpr int kThreads[] = {1, 8};

struct Figures {
  double uciok = 1e9, start_ready = 1e9, set_ready = 1e9, newgame_ready = 1e9;
  double nodes_switch = 0, nodes_first = 0, nodes_newgame = 0;
};

// Seconds from t0 to the line that starts with prefix, after sending
// command (when given); -1 on time-out.
double Timed(harness::Engine& e, const std::string& command, const std::string& prefix, double t0) {
  if (!command.empty()) harness::Send(e, command);
  return harness::WaitFor(e, prefix, kTimeout) ? harness::Now() - t0 : -1.0;
}

double Ready(harness::Engine& e, const std::string& command) {
  const double t0 = harness::Now();
  if (!command.empty()) harness::Send(e, command);
  return Timed(e, "isready", "readyok", t0);
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

void Least(double value, double* best) { *best = std::min(*best, value); }
void Most(double value, double* best) { *best = std::max(*best, value); }

// The most memory the engine has held so far, in MB.
double PeakMb(const harness::Engine& e) {
  FILE* f = std::fopen(("/proc/" + std::to_string(e.pid) + "/status").c_str(), "r");
  double kb = 0;
  char line[256];
  while (f && std::fgets(line, sizeof line, f))
    if (!std::strncmp(line, "VmHWM:", 6)) kb = std::atof(line + 6);
  if (f) std::fclose(f);
  return kb / 1024;
}

struct Lowering {
  double ready = 0, peak = 0;
};

// An engine started with -hash start; after "uciok", "setoption" of Hash
// 16 (when start is not 16) and "isready".
bool Lower(int start, int threads, Lowering* f) {
  harness::Engine e;
  if (!harness::Start(e, {"-hash", std::to_string(start), "-threads", std::to_string(threads)})) return false;
  if (Timed(e, "uci", "uciok", harness::Now()) < 0) return false;
  const double ready = Ready(e, start == 16 ? "" : "setoption name Hash value 16");
  if (ready < 0) return false;
  Most(ready, &f->ready);
  Most(PeakMb(e), &f->peak);
  return harness::Quit(e, 60.0) == 0;
}

bool BySwitch(int hash, int threads, Figures* f) {
  harness::Engine e;
  const double t0 = harness::Now();
  if (!harness::Start(e, {"-hash", std::to_string(hash), "-threads", std::to_string(threads)})) return false;
  const double uciok = Timed(e, "uci", "uciok", t0), ready = Timed(e, "isready", "readyok", t0);
  const double nodes = Think(e);
  if (std::min({uciok, ready, nodes}) < 0) return false;
  Least(uciok, &f->uciok);
  Least(ready, &f->start_ready);
  Most(nodes, &f->nodes_switch);
  return harness::Quit(e, 60.0) == 0;
}

bool BySetoption(int hash, int threads, Figures* f) {
  harness::Engine e;
  if (!harness::Start(e, {"-hash", "16", "-threads", std::to_string(threads)})) return false;
  if (Ready(e, "uci") < 0) return false;
  const double set = Ready(e, "setoption name Hash value " + std::to_string(hash));
  const double first = Think(e), newgame = Ready(e, "ucinewgame"), after = Think(e);
  if (std::min({set, first, newgame, after}) < 0) return false;
  Least(set, &f->set_ready);
  Least(newgame, &f->newgame_ready);
  Most(first, &f->nodes_first);
  Most(after, &f->nodes_newgame);
  return harness::Quit(e, 60.0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  if (argc > 2) program = argv[2];
  Figures f[std::size(kSizes)][std::size(kThreads)];
  for (int r = 0; r < runs; r++)
    for (size_t s = 0; s < std::size(kSizes); s++)
      for (size_t t = 0; t < std::size(kThreads); t++)
        if (!BySwitch(kSizes[s], kThreads[t], &f[s][t]) || !BySetoption(kSizes[s], kThreads[t], &f[s][t])) {
          std::printf("engine failed: Hash %d, %d threads\n", kSizes[s], kThreads[t]);
          return 1;
        }
  std::printf("%s, best of %d runs; nodes of 1 s searches, in %% of Hash 16 on as many threads\n", program, runs);
  std::printf("                    -hash switch                  | setoption Hash, then isready\n");
  std::printf(" Hash thr   uciok readyok   first search      |  readyok  first search      ucinewgame  next search\n");
  for (size_t t = 0; t < std::size(kThreads); t++)
    for (size_t s = 0; s < std::size(kSizes); s++) {
      const Figures& x = f[s][t];
      const Figures& base = f[0][t];
      std::printf("%5d %3d %6.2fs %6.2fs %9.0f %4.0f%%  | %7.2fs %9.0f %4.0f%%  %7.2fs %9.0f %4.0f%%\n", kSizes[s],
                  kThreads[t], x.uciok, x.start_ready, x.nodes_switch, 100 * x.nodes_switch / base.nodes_switch,
                  x.set_ready, x.nodes_first, 100 * x.nodes_first / base.nodes_first, x.newgame_ready,
                  x.nodes_newgame, 100 * x.nodes_newgame / base.nodes_newgame);
    }
  Lowering lowered[std::size(kThreads)], fresh[std::size(kThreads)];
  for (int r = 0; r < runs; r++)
    for (size_t t = 0; t < std::size(kThreads); t++)
      if (!Lower(8192, kThreads[t], &lowered[t]) || !Lower(16, kThreads[t], &fresh[t])) {
        std::printf("engine failed: Hash lowered, %d threads\n", kThreads[t]);
        return 1;
      }
  std::printf("\nHash 16 set during the touch of -hash 8192 | -hash 16, worst of %d runs\n", runs);
  std::printf(" thr  readyok   peak MB   |  readyok   peak MB\n");
  for (size_t t = 0; t < std::size(kThreads); t++)
    std::printf("%4d %7.3fs %9.0f    | %7.3fs %9.0f\n", kThreads[t], lowered[t].ready, lowered[t].peak,
                fresh[t].ready, fresh[t].peak);
  return 0;
}
