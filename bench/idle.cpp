// An engine at rest and on time, through pipes: the processor time an idle
// engine takes over 5 s at Threads 1, 8 and 32 and at the console prompt;
// the round trip of "position startpos" + "go depth 1" to "bestmove"
// (median over the runs) at Threads 1 and 8; the nodes of "go movetime
// 1000" at Threads 4, and per second of processor time; the lateness of
// "go movetime T" at T = 10, 100 and 1000 ms (median and maximum).
// Usage: bench_idle [runs, default 50] [program, default the one built
// beside this benchmark]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

static const char* program = KERV_BINARY;
#undef KERV_BINARY
#define KERV_BINARY program
#include "engine/test/uci_harness.h"
#include "lateness.h"

namespace {

constexpr double kTimeout = 30.0;
constexpr double kIdleSeconds = 5.0;

// Processor seconds (user and system) the process has used so far.
double ProcessorSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return -1.0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  // From the state, the third field: utime and stime are the 12th and 13th.
  for (int i = 1; i <= 13 && fields >> field; i++) {
    if (i == 12) utime = std::stoull(field);
    if (i == 13) stime = std::stoull(field);
  }
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Starts the engine and waits until it answers; console mode shows its board.
bool Ready(harness::Engine& e, const std::vector<std::string>& args, bool console) {
  if (!harness::Start(e, args)) return false;
  if (console) return harness::WaitFor(e, "white", kTimeout);
  harness::SendRaw(e, "uci\nisready\n");
  return harness::WaitFor(e, "readyok", kTimeout);
}

// Share of one core the engine takes while nothing is asked of it.
double IdleShare(const std::vector<std::string>& args, bool console) {
  harness::Engine e;
  if (!Ready(e, args, console)) return -1.0;
  harness::Drain(e, 1.0);  // the start-up's background work ends
  const double cpu0 = ProcessorSeconds(e.pid);
  const double t0 = harness::Now();
  harness::Drain(e, kIdleSeconds);
  const double share = (ProcessorSeconds(e.pid) - cpu0) / (harness::Now() - t0);
  harness::Quit(e, 60.0);
  return share;
}

// Median milliseconds from "position" + "go depth 1" to "bestmove".
double DepthOneTrip(int threads, int runs) {
  harness::Engine e;
  if (!Ready(e, {"-threads", std::to_string(threads)}, false)) return -1.0;
  std::vector<double> ms;
  for (int r = 0; r < runs; r++) {
    const double t0 = harness::Now();
    harness::SendRaw(e, "position startpos\ngo depth 1\n");
    if (!harness::WaitFor(e, "bestmove", kTimeout)) return -1.0;
    ms.push_back((harness::Now() - t0) * 1000.0);
  }
  harness::Quit(e, 60.0);
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

struct Speed {
  double nodes = -1.0;
  double per_processor_second = 0.0;  // holds on a busy machine
};

// Nodes of the last info line of "go movetime 1000" at Threads 4, and per
// second of processor time the search took; the medians of three searches.
Speed NodesInOneSecond() {
  harness::Engine e;
  if (!Ready(e, {"-threads", "4"}, false)) return {};
  std::vector<double> nodes, rates;
  for (int r = 0; r < 3; r++) {
    std::vector<std::string> lines;
    harness::SendRaw(e, "ucinewgame\nisready\n");
    if (!harness::WaitFor(e, "readyok", kTimeout)) return {};
    const double cpu0 = ProcessorSeconds(e.pid);
    harness::SendRaw(e, "position startpos\ngo movetime 1000\n");
    if (!harness::WaitFor(e, "bestmove", kTimeout, nullptr, &lines)) return {};
    const double cpu = ProcessorSeconds(e.pid) - cpu0;
    double n = 0;
    for (const std::string& l : lines)
      if (!harness::Field(l, "nodes").empty()) n = std::stod(harness::Field(l, "nodes"));
    nodes.push_back(n);
    rates.push_back(cpu > 0 ? n / cpu : 0.0);
  }
  harness::Quit(e, 60.0);
  std::sort(nodes.begin(), nodes.end());
  std::sort(rates.begin(), rates.end());
  return {nodes[1], rates[1]};
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  if (argc > 2) program = argv[2];
  std::printf("%s\n", program);
  for (int threads : {1, 8, 32}) {
    const double share = IdleShare({"-threads", std::to_string(threads)}, false);
    std::printf("idle, Threads %2d:      %6.2f %% of a core over %.0f s\n", threads, share * 100.0,
                kIdleSeconds);
  }
  std::printf("idle, console prompt: %6.2f %% of a core over %.0f s\n", IdleShare({"-c"}, true) * 100.0,
              kIdleSeconds);
  for (int threads : {1, 8})
    std::printf("go depth 1, Threads %d: median %.3f ms over %d runs\n", threads, DepthOneTrip(threads, runs),
                runs);
  const Speed speed = NodesInOneSecond();
  std::printf("go movetime 1000, Threads 4: %.0f nodes, %.0f per processor second (medians of 3)\n",
              speed.nodes, speed.per_processor_second);
  harness::Engine e;
  if (!Ready(e, {}, false)) return 1;
  for (int ms : {10, 100, 1000}) {
    const std::vector<double> late = MovetimeLateness(e, ms, ms < 1000 ? 20 : 5, kTimeout);
    if (late.empty()) return 1;
    std::printf("go movetime %4d: median +%.1f ms, max +%.1f ms over %zu runs\n", ms, late[late.size() / 2],
                late.back(), late.size());
  }
  return harness::Quit(e, 60.0) == 0 ? 0 : 1;
}
