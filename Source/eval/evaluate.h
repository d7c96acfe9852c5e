// The static evaluation of a thread's position.
#pragma once
#include <cstdint>

struct ThreadRecord;

// Every static score stays within this bound, well clear of the mate and
// tablebase ranges.
constexpr int kMaxStaticScore = 9000;

// Centipawns from the side to move's view; -10000 when in_check is nonzero.
// Writes the PlyRecord's draw flag and threat words at ply. trace fills the
// evaluation display, and is honoured only in search thread 0 and the game's
// own record, so that only one thread ever writes the display.
int16_t Evaluate(ThreadRecord* td, int side, int ply, int in_check, int trace);

// Asks for the cache lines of the evaluation cache and pawn hash entries that
// Evaluate of td's position will read, so that their loads overlap other work.
void PrefetchEvaluation(const ThreadRecord* td, int side);
