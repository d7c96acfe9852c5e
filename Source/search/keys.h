// Zobrist key tables and the full key of a position.
#pragma once
#include <cstdint>
#include "board/position.h"

extern uint64_t rtable[1024];  // piece code * 64 + square
extern uint64_t rtable2[66];   // castling rights 0..15, en-passant square, 64 for none
constexpr uint64_t stmh[2] = {0, ~uint64_t(0)};

// Draws the key tables the first time it is called; later calls do nothing.
void InitHashKeys();

// The key that the transposition table and the evaluation cache use.
inline uint64_t FullKey(const Position* pos) {
  return pos->key ^ rtable2[pos->castling] ^ rtable2[pos->ep] ^ stmh[pos->side];
}
