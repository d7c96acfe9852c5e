// PGN scanning into annotated listings and training sets (-scan_pgn1..4).
#pragma once

// Replays every game of the PGN file at path and writes, by mode: 1 the
// listing "tmp.pgn" with blunders marked and their replies in "tmpX.epd";
// 2 the training set "tmp.epd" (bm, ce, c6, c9); 3 scored positions (bm, ce);
// 4 rook-and-pawn endings with a "tune" target. Only positions with a score
// read from the games' comments (+0.35/12, -M3/20, eval 37, [%eval 0.43],
// [%eval #-3], book) are written, and modes 2 and 4 only from finished games.
// Every game is counted, with or without tags, and read however long it is;
// a move that cannot be read, or names two, ends its game with one line.
// Returns the exit status: 1 after one line naming the file when it cannot be
// read or is one of the outputs (nothing is written then) or an output that
// cannot be created or written (the scan stops there), else 0.
int Scan_PGN_File(const char* path, int mode);
