// Legal moves of a position, for moves that come from outside the search:
// typed or received moves, table moves, the fallback move.
#pragma once
#include "board/position.h"

// Legal moves of the side to move into out (room for 256); returns the count.
int LegalMoves(Position* pos, Move* out);
// The legal move whose coordinate text is text (its promotion letter in
// either case), or 0.
Move FindLegalMove(Position* pos, const char* text);
int IsLegalMove(Position* pos, Move move);
