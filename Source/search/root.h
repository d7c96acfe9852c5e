// Root search and iterative deepening: what a search thread does once it is
// told to search, and the single-threaded search of the tools.
#pragma once
#include "board/position.h"

struct ThreadRecord;

// The search of one pool thread on its own copy of the game (thread 0 has
// copied the game into every record before). Thread 0 owns the reported
// result; the others search the same root with a little noise and help
// through the transposition table.
void ThreadSearch(ThreadRecord* td);

// The same search on thread record 0 in the calling thread, for the tools.
void SearchIterations();

// Searches the root moves from list index slot on at depth and moves the best
// of them to index slot; false when a stop cut the search short.
bool SearchRoot(Position* pos, int side, int depth, int slot);

// The final info lines of a search, once its threads are idle: the shared
// best line and, with MultiPV, the rest of a set of distinct moves.
void DisplayFinalInfo();

// Offers the thread's root result to the shared best result (thread 0 only).
void NewBestMove(ThreadRecord* td);
