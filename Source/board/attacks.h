// Attack and legality tests, mate and draw detection, the gives-check test.
#pragma once
#include "board/position.h"

// 1 when side attacks sq, with the occupancy as the bitboards stand.
int SqAtakd(const Position* pos, int sq, int side);

// 1 when the pseudo-legal move of side leaves its king unattacked (castling:
// start, passage and destination unattacked); the null move is never legal.
int MoveIsLegal(Position* pos, int side, Move move);

// Compacts a list ended by EndOfList to its legal moves, order kept.
void RemoveIllegalMoves(Position* pos, int side, MoveEntry* list);

// 1 when the side to move is in check.
int InCheck(const Position* pos);

// 0 with a legal move; else 1 checkmate (in_check set) or 2 stalemate.
// Generates into the current ply's list.
int IsMate(Position* pos, int in_check);

// Whether the position recorded before an earlier move of this game (the same
// side to move) is this one: the same pieces, castling rights and possible
// en-passant captures.
bool RepeatsEarlier(Position* pos, const UndoRecord& earlier);

// 0 no draw, 1 fifty-move rule, 2 repetition reaching occurrences.
int IsDraw(Position* pos, int in_check, int occurrences);

// Whether the move of the side to move checks the enemy king: 0 no, 1 direct,
// 2 discovered (which wins over direct). En passant and castling count as the
// plain pawn or king move.
int GivesCheck(const Position* pos, Move move);
