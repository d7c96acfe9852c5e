// Game moves on the game record: a game of any length keeps its latest plies
// on the undo stack and counts the older ones it lets go.
#pragma once
#include "board/position.h"
#include "search/records.h"

// Every fifty-move count above 100 means the same; game moves hold the count
// here, so that a long reversible stretch plus a full search path on top can
// never wrap its byte.
constexpr int kFiftyCeiling = 150;

// Plays a legal move of the side to move as a game move. When the stack would
// have no room left above the game for another game move and a full search
// path, the oldest records make way.
void PlayGameMove(Position* pos, Move move);
