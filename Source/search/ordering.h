// Staged move picker of the search and the per-thread ordering tables.
#pragma once
#include <cstdint>
#include "board/position.h"

struct ThreadRecord;

// High bits of the picker's stage word, set by the caller and kept across
// stages.
constexpr uint16_t kStageHashFirst = 0x10;
constexpr uint16_t kStageFull = 0x40;         // all promotions, SEE demotion, quiet moves
constexpr uint16_t kStageQuietChecks = 0x80;  // without kStageFull: quiet checks after captures

// Victim and attacker values by piece code (both colours alike).
constexpr uint16_t v_value[16] = {200, 210, 220, 220, 230, 240, 250, 0,
                                  200, 210, 220, 220, 230, 240, 250, 0};
constexpr uint16_t a_value[16] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7};
// Coarse worth by piece type, deciding whether a move needs an exchange test.
constexpr int v[8] = {0, 1, 3, 3, 5, 10, 0, 0};

constexpr int kLosingExchange = -79;  // exchange values below this lose material

// Next entry of the current search ply's list, or nullptr when the node has
// no more moves. The caller sets the ply's stage (and moves_searched) first.
MoveEntry* GetNextMove(Position* pos);

// First ordering of the root list (ending in EndOfList).
void PrescoreAll(Position* pos, MoveEntry* list);

// Order of captures and promotions by victim and attacker, as ProbCut uses it.
int CaptureScore(const MoveEntry* e);

// Swaps the highest-scored entry from front up to the list end into front
// (the earliest of equals) and returns front.
MoveEntry* SelectBest(MoveEntry* front);

// Clears killers, hash moves, counter and follow-up moves; history to 4096.
void ResetOrdering(ThreadRecord* td);

// History of a searched quiet move: decay when it did not raise alpha, bonus
// when it did.
void UpdateHistory(ThreadRecord* td, const MoveEntry* e, int depth, bool raised);

// Killers, check killer, counter and follow-up moves after a cutoff by the
// quiet move best at ply.
void UpdateCutoffMoves(ThreadRecord* td, int ply, Move best, bool in_check);
