// The lateness of "go movetime T" through a pipe, for the benchmarks that
// drive the program; include after engine/test/uci_harness.h.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

// Milliseconds past T of each answer, sorted; empty when the engine failed.
inline std::vector<double> MovetimeLateness(harness::Engine& e, int ms, int runs, double timeout) {
  std::vector<double> late;
  for (int r = 0; r < runs; r++) {
    // A different opening each run, so the table does not answer for it.
    const std::string moves = r % 2 ? " moves e2e4" : " moves d2d4";
    const double t0 = harness::Now();
    harness::SendRaw(e, "position startpos" + moves + "\ngo movetime " + std::to_string(ms) + "\n");
    if (!harness::WaitFor(e, "bestmove", timeout)) return {};
    late.push_back((harness::Now() - t0) * 1000.0 - ms);
    harness::SendRaw(e, "ucinewgame\nisready\n");
    if (!harness::WaitFor(e, "readyok", timeout)) return {};
  }
  std::sort(late.begin(), late.end());
  return late;
}
