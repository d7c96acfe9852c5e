// The move trace: every move made on the path of a traced search, written to
// "trace.txt" as an indented tree.
#pragma once
#include "board/position.h"

// Appends one move (0 for a null move) to "trace.txt".
void TraceMove(Position* pos, Move move);
