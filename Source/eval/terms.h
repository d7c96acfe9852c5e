// The term groups of one full evaluation, shared by the evaluation's own
// source files, with the masks and helpers they have in common.
#pragma once
#include <algorithm>
#include <cstdlib>

#include "board/bitboard.h"
#include "engine/params.h"
#include "eval/evalcache.h"
#include "eval/packed.h"

constexpr Bitboard kFileA = 0x0101010101010101ULL;
constexpr Bitboard kFileH = kFileA << 7;
constexpr Bitboard kRank1 = 0xFFULL;
constexpr Bitboard kRank8 = kRank1 << 56;
constexpr Bitboard kDarkSquares = 0xAA55AA55AA55AA55ULL;  // a1 is dark

constexpr Bitboard FileMask(int f) { return kFileA << f; }
constexpr Bitboard RankMask(int r) { return kRank1 << (8 * r); }

inline int Distance(int a, int b) {
  return std::max(std::abs(FileOf(a) - FileOf(b)), std::abs(RankOf(a) - RankOf(b)));
}

// Adds one term's tapered value to the trace display of its square and kind.
inline void TraceTerm(const EvalWork* ew, int sq, int16_t* field, int colour, int32_t v) {
  if (!ew->trace) return;
  int t = Taper(v, ew->stage);
  PBlock.display.square[sq] = int16_t(PBlock.display.square[sq] + t);
  field[colour] = int16_t(field[colour] + t);
}

// Pawn maps that every later term reads: spans, pawn attacks, open pawns,
// file masks; they also start the attack maps.
void PreparePawnMaps(EvalWork* ew);
// Per-pawn structure of both sides into the pawn-hash entry.
void EvaluatePawnStructure(EvalWork* ew);
void EvaluateBlockedPawns(EvalWork* ew);
// Mobility area, outposts, king zones and files, pins, rank flags.
void PreparePieceInputs(EvalWork* ew);
void EvaluatePieces(EvalWork* ew);
// Passed and candidate pawns; needs the attack maps of EvaluatePieces.
void EvaluatePassedPawns(EvalWork* ew);
void EvaluateThreats(EvalWork* ew);
