// Evaluations per second over a fixed set of positions: a few openings,
// middlegames and endings with every legal child, evaluated with the caches
// bypassed (iteration depth 0), with the pawn hash only (depth 1) and with
// both caches (depth 2, ply 2).
#include <chrono>
#include <cstdio>
#include <vector>

#include "board/attacks.h"
#include "board/bitboard.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/bitbase.h"
#include "eval/evaluate.h"
#include "eval/test/eval_fixture.h"
#include "search/keys.h"
#include "search/records.h"

namespace {

const char* const kRoots[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "r1bq1rk1/pp1nbppp/4pn2/2pp4/2PP4/1PNBPN2/P4PPP/R1BQ1RK1 b - -",
    "rn1q1rk1/pp2ppbp/2p2np1/3p1b2/2PP4/2N2NP1/PP2PPBP/R1BQR1K1 w - -",
    "r2qk1nr/pp3pbp/2npp1p1/2p5/2P1PPb1/2NP1N2/PP2B1PP/R1BQ1RK1 b kq -",
    "8/1p4k1/3p2b1/2pP1ppp/P1P5/1P2r2P/2B3P1/5RK1 w - -",
    "6k1/5p1p/4rBp1/3p3P/p2n4/6P1/PP3PB1/5RK1 b - -",
    "8/4pp1k/3r1np1/7p/2R5/5P2/4BKPP/8 w - -",
    "1r3k2/5r2/2p5/3pP3/8/2PN2P1/KP3P2/3R4 b - -",
    "8/6kp/6p1/1p1n1p2/3q4/P3PP2/4N1PP/7K w - -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "8/5k2/8/p7/8/8/5PPP/6K1 w - -",
    "8/8/3k4/2p1p3/2P1P3/3K4/8/8 w - -",
};

struct Sample {
  Position pos;
  int in_check;
};

std::vector<Sample> BuildSamples(ThreadRecord* td) {
  std::vector<Sample> out;
  Position* p = &td->pos;
  for (const char* fen : kRoots) {
    if (SetPosition(p, fen) != kSetOk) continue;
    out.push_back({*p, InCheck(p)});
    MoveEntry list[256];
    MoveEntry* end = GenerateCaptures(p, p->side, list);
    end = GeneratePromotions(p, p->side, 1, end);
    end = GenerateQuiets(p, p->side, end);
    for (MoveEntry* m = list; m < end; m++) {
      if (!MoveIsLegal(p, p->side, m->move)) continue;
      MakeMove(p, m->move);
      out.push_back({*p, InCheck(p)});
      UnmakeMove(p);
    }
  }
  return out;
}

void Run(ThreadRecord* td, const std::vector<Sample>& samples, int depth, int ply, const char* label) {
  constexpr int kRounds = 400;
  td->depth = uint8_t(depth);
  for (auto& c : td->counters) c = 0;
  int64_t checksum = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < kRounds; r++)
    for (const Sample& s : samples) {
      td->pos = s.pos;
      checksum += Evaluate(td, s.pos.side, ply, s.in_check, 0);
    }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double evals = double(samples.size()) * kRounds;
  const double probes = double(td->counters[CountPawnProbes]);
  std::printf("%-22s %8.2f M evals/s  (%.1f ns each)  eval-cache hits %5.1f%%  pawn-hash hits %5.1f%%  checksum %lld\n",
              label, evals / seconds / 1e6, seconds / evals * 1e9,
              100.0 * double(td->counters[CountEvalHits]) / evals,
              probes ? 100.0 * double(td->counters[CountPawnHits]) / probes : 0.0, (long long)checksum);
}

}  // namespace

int main() {
  InitBitboards();
  InitHashKeys();
  const auto t0 = std::chrono::steady_clock::now();
  BuildKPKBitbase();
  const double build = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  SetEvalDefaults();
  ThreadRecord* td = NewThreadRecord(0);
  if (!td) return 1;
  std::vector<Sample> samples = BuildSamples(td);
  std::printf("king-and-pawn bitbase built in %.1f ms; %zu positions\n", build * 1e3, samples.size());
  Run(td, samples, 0, 1, "caches off (depth 0)");
  Run(td, samples, 1, 2, "pawn hash (depth 1)");
  Run(td, samples, 2, 2, "both caches (depth 2)");
  delete td;
  return 0;
}
