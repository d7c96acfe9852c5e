// The search's view of the endgame tablebases: win/draw/loss in the tree and
// the distance-to-zero move at the root. Results are from the side to move's
// view: -1 no answer, 0 loss, 1 blessed loss, 2 draw, 3 cursed win, 4 win.
#pragma once
#include "board/position.h"

int TB_Probe_WDL(const Position* pos, int depth);
// On an answer, move receives the root move that keeps the best result.
int TB_Probe_DTZ(const Position* pos, Move* move);
