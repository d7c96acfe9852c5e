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

// Finds the one legal move of the game record (CTD) that text names and
// stores it in move (1), else 0; exactly two matches print "ambiguous move".
// A text that matches no generated text is read as standard notation, which
// names the origin only when another legal move of the kind reaches the
// square; it is taken when it names exactly one legal move.
// The text is rewritten in place (cut at "+" or "#", "=" before a promotion
// letter, O and 0 folded to o), so its buffer must hold kMoveTextSize
// characters; longer texts are refused untouched.
int IsValidMove(char* text, Move* move);
