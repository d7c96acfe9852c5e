// Per-thread evaluation cache and pawn hash entries, and the work area of one
// evaluation.
#pragma once
#include <cstdint>
#include "board/position.h"

constexpr int kEvalCacheSize = 32768;
constexpr int kPawnHashSize = 16384;

// Keys are stored salted with the weights (and contempt state) they were made
// under, so an entry from other weights never matches (eval/weights.h).
struct EvalCacheEntry {
  uint64_t key;
  uint16_t threat[2];  // threat words of the PlyRecord, White first
  int16_t eval;
};
static_assert(sizeof(EvalCacheEntry) == 16);

struct PawnHashEntry {
  uint64_t key;
  int32_t white;  // packed pawn-structure sums
  int32_t black;
};
static_assert(sizeof(PawnHashEntry) == 16);

struct PlyRecord;

struct EvalWork {
  Position* pos;
  ThreadRecord* td;
  PlyRecord* ply_rec;
  PawnHashEntry* pawn_entry;
  Bitboard occupied;
  Bitboard pawn_attack_span[2];
  Bitboard outposts[2];
  Bitboard open_pawns;
  Bitboard pinned;
  Bitboard threatened;
  Bitboard free_passers;
  Bitboard mobility_area[2];
  Bitboard blocked_pawns[2];
  Bitboard king_zone[2];
  Bitboard king_files;
  Bitboard attacks[2][7];  // all, then by piece type: pawn .. king
  Bitboard attacked_twice[2];
  int32_t mobility[2];
  int32_t material[2];
  int32_t positional[2];
  uint16_t king_attack[2];  // 3-bit fields: knights, bishops, rooks, queens
  uint8_t king_sq[2];
  uint8_t pawn_files[2];
  uint8_t ply;
  uint8_t stage;
  uint8_t rook_on_7th[2];
  uint8_t phase[2];
  uint8_t trace;
  uint8_t side;  // side to move
};
