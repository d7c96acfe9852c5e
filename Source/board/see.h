// Static exchange: the material outcome of a capture sequence on one square.
#pragma once
#include "board/position.h"

// Gain for side of capturing on to with the piece on from (NoSquare: its least
// valuable attacker, 0 without one), the pieces in occupancy still taking
// part. With clamp a loss counts as 0 (the capture may be declined).
int swapoff1(Position* pos, int side, int from, int to, Bitboard occupancy, int clamp);

// The same one level further: the victim's value minus what the opponent wins
// back when it is free to decline.
int swapoff(Position* pos, int side, int from, int to);
