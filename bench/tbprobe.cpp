// WDL probes per second on random four-man positions, tables already mapped.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "board/bitboard.h"
#include "tablebase/tbcore.h"
#include "tablebase/tbprobe.h"

namespace {

const char* const kMaterials[] = {"KQQvK", "KQRvK", "KQBvK", "KQNvK", "KQPvK", "KRRvK", "KRBvK", "KRNvK",
                                  "KRPvK", "KBBvK", "KBNvK", "KBPvK", "KNNvK", "KNPvK", "KPPvK", "KQvKQ",
                                  "KQvKR", "KQvKB", "KQvKN", "KQvKP", "KRvKR", "KRvKB", "KRvKN", "KRvKP",
                                  "KBvKB", "KBvKN", "KBvKP", "KNvKN", "KNvKP", "KPvKP"};

void Put(TbPosition& p, int code, int sq) {
  uint64_t TbPosition::*kind[7] = {nullptr, &TbPosition::pawns, &TbPosition::knights, &TbPosition::bishops,
                                   &TbPosition::rooks, &TbPosition::queens, &TbPosition::kings};
  p.*kind[code & 7] |= SquareBit(sq);
  (code & 8 ? p.black : p.white) |= SquareBit(sq);
}

bool KingAttacked(const TbPosition& p, int sq, uint64_t by, int victim) {
  const uint64_t occ = p.white | p.black;
  return (BB_KingRays[sq] & p.kings & by) || (RookAttacks(sq, occ) & (p.rooks | p.queens) & by) ||
         (BishopAttacks(sq, occ) & (p.bishops | p.queens) & by) || (BB_KnightRays[sq] & p.knights & by) ||
         (BB_PawnRays[victim][sq] & p.pawns & by);
}

TbPosition Random(const char* name, std::mt19937_64& rng) {
  for (;;) {
    TbPosition p{};
    p.turn = uint8_t(rng() & 1);
    int colour = 0;
    for (const char* c = name; *c; c++) {
      if (*c == 'v') {
        colour = 8;
        continue;
      }
      const int type = 6 - int(std::strchr(pchr, *c) - pchr);
      int sq;
      do sq = int(rng() % 64);
      while (((p.white | p.black) & SquareBit(sq)) || (type == Pawn && (sq < 8 || sq > 55)));
      Put(p, type | colour, sq);
    }
    const uint64_t them = p.turn ? p.black : p.white;
    if (!KingAttacked(p, LSB(p.kings & them), p.turn ? p.white : p.black, p.turn ? Black : White))
      return p;
  }
}

}  // namespace

int main(int argc, char** argv) {
  InitBitboards();
  const std::string dir = argc > 1 ? argv[1] : KERV_TESTDATA_DIR "/syzygy";
  init_tablebases(dir.c_str());
  std::mt19937_64 rng(1);
  std::vector<TbPosition> positions;
  for (int i = 0; i < 200000; i++) positions.push_back(Random(kMaterials[i % 30], rng));
  int failed = 0, ok;
  for (const TbPosition& p : positions) probe_wdl(&p, &ok), failed += !ok;  // maps every table
  if (failed) {
    std::printf("%d probes failed: are the four-man tables in %s?\n", failed, dir.c_str());
    return 1;
  }
  long sum = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 5; round++)
    for (const TbPosition& p : positions) sum += probe_wdl(&p, &ok);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double probes = 5.0 * double(positions.size());
  std::printf("WDL probes: %.0f in %.3f s, %.2f M probes per second (checksum %ld)\n", probes, seconds,
              probes / seconds / 1e6, sum);
  return 0;
}
