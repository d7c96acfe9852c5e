// Pseudo-legal move generation into a thread's move stack.
#pragma once
#include "board/position.h"

// Each appends one class of moves of side from list on and returns the new end;
// none writes a terminator or the ordering score.
MoveEntry* GenerateCaptures(const Position* pos, int side, MoveEntry* list);
MoveEntry* GeneratePromotions(const Position* pos, int side, int all, MoveEntry* list);
MoveEntry* GenerateQuiets(const Position* pos, int side, MoveEntry* list);

// Captures, all promotions and quiet moves of the side to move at the list
// start of the owner's search ply, ended by EndOfList; the next two plies'
// lists start right after it.
void GenerateAll(Position* pos);
