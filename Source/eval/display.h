// Developer displays of the evaluation: the breakdown of the game position's
// evaluation and the derived weights.
#pragma once
#include <cstdint>

// Evaluates the game position with the trace on (a quiescence search of the
// root on worker 0's record) and shows the breakdown through ShowMessage.
// The pool must be idle.
void ShowEvalInfo();

// Prints EvalParams to standard output only.
void ShowEvalParams();

// Prints a table of 64 packed scores under title: opening values, then the
// endgame values, rank 8 first.
void PrintPSQTable(const int32_t* table, const char* title);
