// Developer displays of the evaluation: the breakdown of the game position's
// evaluation and the derived weights.
#pragma once
#include <cstdint>

// Shows through ShowMessage the breakdown of the game position's evaluation
// that a traced evaluation left in the display fields of PBlock, headed by
// the static evaluation and the quiescence score.
void ShowEvalInfo(int eval, int qscore);

// Prints EvalParams to standard output only.
void ShowEvalParams();

// Prints a table of 64 packed scores under title: opening values, then the
// endgame values, rank 8 first.
void PrintPSQTable(const int32_t* table, const char* title);
