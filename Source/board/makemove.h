// Incremental make and unmake of moves and null moves on the owner's undo stack.
#pragma once
#include "board/position.h"
#include "search/records.h"

// Game moves stop here so that a full-depth search still finds free undo
// records above them; whoever appends game moves checks it.
constexpr int kMaxGamePly = kUndoStackSize - kMaxPly;

// The move must be pseudo-legal for the side to move.
void MakeMove(Position* pos, Move move);
void UnmakeMove(Position* pos);
void MakeNullMove(Position* pos);
void UnmakeNullMove(Position* pos);
