// Node search: everything that can settle an interior node before its moves
// are tried, and the score conventions shared by the searches.
#pragma once
#include "board/position.h"
#include "search/searchdata.h"

// Mated at ply p scores p - kInfinity, so mated at the root (ply 1) is
// -kMatedAtRoot, and a mate within d plies of the root scores at least
// kMatedAtRoot - d.
constexpr int kInfinity = 10000;
constexpr int kMatedAtRoot = kInfinity - 1;
constexpr int kMateRange = 9697;  // below -kMateRange or at/above kMateRange: a mate score
// Beyond every tablebase score: a mate the search itself has found.
constexpr int kFoundMate = 9899;
// From here on UCI shows a score as a mate in moves, not in centipawns.
constexpr int kShownMate = 9900;
// A tablebase win at ply p scores kTbWin - p, a loss p - kTbLoss.
constexpr int kTbWin = 9799;
constexpr int kTbLoss = 9800;
// Root move order: a move that did not beat the window keeps this less the
// number of moves searched before it, below every score, so that the next
// iteration tries the moves in the same order.
constexpr int kUnresolvedOrder = -11000;

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
