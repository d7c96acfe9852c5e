// Search output: the info line with its gate, the table sample behind
// "hashfull" and the principal variation rebuilt from the table.
#pragma once
#include "board/position.h"

// How a score holds, as the root result kinds say: found, or only the bound
// of a window the move failed low (at most) or high (at least) against.
enum ScoreBound : uint8_t { ScoreExact = 0, ScoreUpper = 1, ScoreLower = 2 };

// Prints the line of one result unless it is not due: nothing while the
// info delay has not passed (and the search still runs), with the delay
// kSilentInfoDelay, at depth 0, or without a first move. True when printed.
bool DisplaySearchInfo(int thread, int slot, int depth, int score, const Move* pv, int bound = ScoreExact);

// The printing half of DisplaySearchInfo, for callers that made the same
// checks themselves. slot is 0 for the main line, else the 1-based MultiPV
// slot.
void PrintSearchInfo(int thread, int slot, int depth, int score, const Move* pv, int bound = ScoreExact);

// The score as UCI shows it: "cp 35", "mate 3", "mate -2".
void ScoreText(int score, char* out);

// Extends pv from element ply on with table moves, stopping at a draw by
// rule or repetition; the position is left as it was.
void RetrievePV(Position* pos, int ply, Move* pv);
