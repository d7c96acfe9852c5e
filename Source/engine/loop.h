// The engine's run loop on the main thread.
#pragma once

// Polls input, runs the clock, starts searches on a go request and reports
// their result; returns on "quit" or once the input has ended and its
// searches are answered.
void Loop();

// Console self-play: the loop plays each result and searches again.
extern int selfplay;

// Set by "go infinite" for the search it asks for, whose result then waits
// for "stop" even when the search ends on its own.
extern bool infinite_go;

// Set by a "position" that was refused: the game has no position then, and
// a go answers no move, until a position is taken.
extern bool position_refused;

// Ends the running, pondering or unreported search and reports its result
// at once, for the position it searched; nothing when no search is on.
void EndSearchAndReport();
