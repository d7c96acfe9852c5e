// Read-only bitboard tables filled once at start-up, the small constant tables
// and the bit operations.
#pragma once
#include <bit>
#include <cstdint>
#include "board/position.h"

extern Bitboard BB_RayN[64], BB_RayS[64], BB_RayE[64], BB_RayW[64];
extern Bitboard BB_RayNE[64], BB_RayNW[64], BB_RaySE[64], BB_RaySW[64];
extern Bitboard BB_RookRays[64], BB_BishopRays[64];
extern Bitboard BB_KnightRays[64], BB_KingRays[64];
extern Bitboard BB_PawnRays[2][64];
extern Bitboard BB_Between[64][64];
extern Bitboard BB_North[8], BB_South[8];
extern Bitboard BB_Front[2][8], BB_Behind[2][8];
extern Bitboard BB_AdjacentFiles[8];
extern Bitboard BB_AdjacentSquares[64];
extern Bitboard BB_PawnSpan[2][64];

constexpr Bitboard BB_r7[2] = {0x00FF000000000000ULL, 0x000000000000FF00ULL};
constexpr Bitboard BB_r6[2] = {0x0000FF0000000000ULL, 0x0000000000FF0000ULL};

extern uint8_t bitcnt[256];
extern uint32_t MSBTable[256];

constexpr int8_t pawn_dir[2] = {8, -8};
constexpr uint8_t flip_sq[2] = {0, 56};
constexpr uint8_t init_king_sq[2] = {4, 60};
constexpr uint16_t npv[8] = {0, 0, 3, 3, 5, 10, 0, 0};
constexpr uint32_t msig[8] = {0, 1, 16, 256, 4096, 65536, 0, 0};
constexpr int16_t piece_value[8] = {0, 100, 330, 330, 530, 1000, 10000, 0};
constexpr char pchr[] = "KQRBNP";
constexpr char fen_opn[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
extern const uint8_t csbits[64];
extern const uint8_t sq_color[64];
extern const char* const tbl[64];

// Fills every table above that is not constant. Called once at start-up.
void InitBitboards();

constexpr Bitboard SquareBit(int sq) { return Bitboard(1) << sq; }
constexpr int FileOf(int sq) { return sq & 7; }
constexpr int RankOf(int sq) { return sq >> 3; }

// The index operations take a non-empty set.
inline int PopCount(Bitboard b) { return std::popcount(b); }
inline int LSB(Bitboard b) { return std::countr_zero(b); }
inline int MSB(Bitboard b) { return 63 - std::countl_zero(b); }
inline Bitboard ClearLSB(Bitboard b) { return b & (b - 1); }

// Slider attacks from sq against an occupancy. Per direction the first blocker
// is the nearest occupied square; a sentinel (h8 for the rising directions, a1
// for the falling ones, whose own rays are empty) spares the empty-ray branch.
inline Bitboard BishopAttacks(int sq, Bitboard occ) {
  constexpr Bitboard kHigh = SquareBit(63), kLow = SquareBit(0);
  return BB_BishopRays[sq] ^ BB_RayNE[LSB((BB_RayNE[sq] & occ) | kHigh)] ^
         BB_RayNW[LSB((BB_RayNW[sq] & occ) | kHigh)] ^ BB_RaySE[MSB((BB_RaySE[sq] & occ) | kLow)] ^
         BB_RaySW[MSB((BB_RaySW[sq] & occ) | kLow)];
}

inline Bitboard RookAttacks(int sq, Bitboard occ) {
  constexpr Bitboard kHigh = SquareBit(63), kLow = SquareBit(0);
  return BB_RookRays[sq] ^ BB_RayN[LSB((BB_RayN[sq] & occ) | kHigh)] ^
         BB_RayE[LSB((BB_RayE[sq] & occ) | kHigh)] ^ BB_RayS[MSB((BB_RayS[sq] & occ) | kLow)] ^
         BB_RayW[MSB((BB_RayW[sq] & occ) | kLow)];
}
