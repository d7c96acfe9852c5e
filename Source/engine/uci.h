// The UCI command interpreter, its options and the legality helpers that
// guard every move taken from outside the search.
#pragma once
#include <cstdint>

#include "board/position.h"

// Interprets one line; the line may be changed in place.
void ProcessUCI(char* line);

// Reads a decimal integer (sign allowed) from the start of text, clamps it to
// min..max, echoes "info string <name> set to <value>" and returns it.
int SetOptionInt(const char* name, const char* text, int min, int max);

// Sets two adjacent fields from "a,b" (a missing part leaves its field),
// clamps both and echoes them followed by an empty line.
void SetOptionIntPair(int16_t* pair, const char* name, const char* text, int min, int max);

// Legal moves of the side to move into out (room for 256); returns the count.
int LegalMoves(Position* pos, Move* out);
// The legal move whose text is exactly text, or 0.
Move FindLegalMove(Position* pos, const char* text);
int IsLegalMove(Position* pos, Move move);
