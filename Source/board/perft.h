// Counting the legal move paths of a given length.
#pragma once
#include "search/records.h"

// Adds the number of legal leaves depth plies below the record's position to
// its node counter; side and ply are the position's side to move and the
// record's search ply. Depth 0 or less counts the position itself; plies past
// the ply records count nothing.
void Perft1(ThreadRecord* td, int side, int ply, int depth);
