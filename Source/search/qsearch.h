// Quiescence search: captures (and quiet checks at its first ply) at the
// leaves, so that the static evaluation is trusted only in quiet positions.
#pragma once
#include "board/position.h"

// Never called in check; the node's PlyRecord eval is already set.
int Q_Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int node_type, Move* pv);
