// The move loop of an interior node: pruning, reductions, principal-variation
// search, learning of the ordering tables, and the move classification it uses.
#pragma once
#include <cstdint>
#include "board/position.h"

// Move flags of SetMoveFlags.
constexpr uint16_t kFlagCapture = 1;
constexpr uint16_t kFlagCheck = 2;
constexpr uint16_t kFlagDiscovered = 4;
constexpr uint16_t kFlagSeventh = 8;
constexpr uint16_t kFlagQueenPromo = 16;
constexpr uint16_t kFlagAdvance = 32;  // to the last rank (not a queen) or a free passer to rank 5 or 6

int AB_Search(Position* pos, int side, int ply, int depth, int alpha, int beta, int in_check,
              int node_type, Move* pv);

uint16_t SetMoveFlags(const Position* pos, int side, const MoveEntry* e);

// Whether the slider moving from -> to newly bears on a square of the king
// area K that another own piece already covers.
int MoveAttacksKingArea(Position* pos, int type, int from, int to, Bitboard K);
