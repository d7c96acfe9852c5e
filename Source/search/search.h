// Node search: everything that can settle an interior node before its moves
// are tried, and the score conventions shared by the searches.
#pragma once
#include "board/position.h"
#include "search/searchdata.h"

constexpr int kInfinity = 10000;
constexpr int kMateRange = 9697;  // below -kMateRange or at/above kMateRange: a mate score

int Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int node_type, Move* pv);

// 1 when the static null move may cut at depth 1 or 2: no piece of side hangs
// enough to take eval below beta + 100.
int SNMP(Position* pos, int side, int eval, int beta);

// Copies a child's continuation behind the move at index ply.
inline void CopyContinuation(Move* pv, const Move* child, int ply) {
  for (int i = ply + 1; i < kMaxPly; i++) {
    pv[i] = child[i];
    if (!child[i]) break;
  }
}
