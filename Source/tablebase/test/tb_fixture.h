// Shared ground of the tablebase tests: the real tables, random legal
// positions of a material, and the one-ply bounds on a WDL value.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "board/bitboard.h"
#include "tablebase/tbcore.h"
#include "tablebase/tbprobe.h"

namespace tbtest {

inline const std::string kTables = KERV_TESTDATA_DIR "/syzygy";

// Registers path and returns the registry's line.
inline std::string UseTables(const std::string& path) {
  static const bool boards = (InitBitboards(), true);
  (void)boards;
  testing::internal::CaptureStdout();
  init_tablebases(path.c_str());
  return testing::internal::GetCapturedStdout();
}

// The materials of the real set with n men, by name.
inline std::vector<std::string> Materials(int n) {
  std::vector<std::string> names;
  for (const auto& f : std::filesystem::directory_iterator(kTables)) {
    const std::string name = f.path().stem().string();
    if (f.path().extension() == ".rtbw" && int(name.size()) == n + 1) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

inline void Put(TbPosition& p, int code, int sq) {
  uint64_t TbPosition::*kind[7] = {nullptr, &TbPosition::pawns, &TbPosition::knights, &TbPosition::bishops,
                                   &TbPosition::rooks, &TbPosition::queens, &TbPosition::kings};
  p.*kind[code & 7] |= SquareBit(sq);
  (code & 8 ? p.black : p.white) |= SquareBit(sq);
}

// Piece codes of a name such as "KRPvKR": white first.
inline std::vector<int> Codes(const std::string& name) {
  std::vector<int> codes;
  int colour = 0;
  for (char c : name) {
    if (c == 'v') colour = 8;
    else codes.push_back((6 - int(std::strchr(pchr, c) - pchr)) | colour);
  }
  return codes;
}

inline bool Attacked(const TbPosition& p, int sq, int victim_colour) {
  const uint64_t by = victim_colour == White ? p.black : p.white, occ = p.white | p.black;
  return (BB_KingRays[sq] & p.kings & by) || (RookAttacks(sq, occ) & (p.rooks | p.queens) & by) ||
         (BishopAttacks(sq, occ) & (p.bishops | p.queens) & by) || (BB_KnightRays[sq] & p.knights & by) ||
         (BB_PawnRays[victim_colour][sq] & p.pawns & by);
}

inline bool InCheck(const TbPosition& p) {
  const int colour = p.turn ? White : Black;
  return Attacked(p, LSB(p.kings & (p.turn ? p.white : p.black)), colour);
}

// A random legal position of the material: the side not to move not in check.
inline TbPosition RandomPosition(const std::vector<int>& codes, std::mt19937_64& rng) {
  for (;;) {
    TbPosition p{};
    p.turn = uint8_t(rng() & 1);
    for (int code : codes) {
      int sq;
      do sq = int(rng() % 64);
      while (((p.white | p.black) & SquareBit(sq)) || ((code & 7) == Pawn && (sq < 8 || sq > 55)));
      Put(p, code, sq);
    }
    const uint64_t them = p.turn ? p.black : p.white;
    if (!Attacked(p, LSB(p.kings & them), p.turn ? Black : White)) return p;
  }
}

// Bounds that one ply over the successors' probes puts on a WDL value: a
// zeroing move passes its value on exactly; any other move starts the
// successor's counter at one ply, so a win (loss) there may be cursed (blessed).
inline void OnePlyBounds(const TbPosition& pos, int* lo, int* hi) {
  TbMove moves[kTbMaxMoves];
  const TbMove* end = gen_moves(&pos, moves);
  *lo = *hi = -3;
  for (const TbMove* m = moves; m < end; m++) {
    TbPosition next;
    if (!do_move(&next, &pos, *m)) continue;
    int ok;
    const int w = -probe_wdl(&next, &ok);
    ASSERT_NE(ok, 0);
    *lo = std::max(*lo, next.rule50 && w == 2 ? 1 : w);
    *hi = std::max(*hi, next.rule50 && w == -2 ? -1 : w);
  }
  if (*lo == -3) *lo = *hi = InCheck(pos) ? -2 : 0;
}

}  // namespace tbtest
