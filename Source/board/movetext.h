// Move text: coordinate output, the texts a move may be written as, and
// finding the game's move that a typed or read text names.
#pragma once
#include "board/position.h"

// Size of every move-text buffer, NUL included.
constexpr int kMoveTextSize = 16;

// "e2e4", "null" for the null move; promotions end in "q" (UCI) or "=Q"
// (console). Returns buf.
char* MoveToStr(Move move, char* buf);

// The coordinate, algebraic, by-file and by-rank texts of a move of the side
// to move. The algebraic text names a piece without file or rank when no
// other piece that reaches the square shares its file or rank.
void GenMoveStrings(const Position* pos, Move move, char* c, char* a, char* f, char* r);

// The move as standard algebraic text for writing games: file, rank or both
// are added when another legal move of the same kind reaches the square.
void MoveToSan(Position* pos, Move move, char* out);

// What ReadMoveText finds.
constexpr int kTextNoMove = 0;
constexpr int kTextOneMove = 1;
constexpr int kTextAmbiguous = 2;  // more than one legal move answers to the text

// Reads text as a legal move of pos: coordinates (e2e4, e7e8q), short
// algebraic (Nf3, Ngf3, N1f3, exd5, ed, e8=Q, O-O, 0-0) or long algebraic
// with the piece letter and both squares (Ng1f3, Ng1-f3, Nf3xe5; a pawn as
// e2-e4 or e4xd5). A capture may go without its "x"; an origin left out
// must not leave two legal moves, pinned rivals aside. The text is rewritten
// in place (cut at "+" or "#", "=" before a promotion letter, O and 0 folded
// to o), so its buffer must hold kMoveTextSize characters; longer texts are
// refused untouched. move gets the move found, else the null move.
int ReadMoveText(Position* pos, char* text, Move* move);

// ReadMoveText on the game record (CTD): 1 and the move, else 0; a text that
// names more than one move prints "ambiguous move".
int IsValidMove(char* text, Move* move);
