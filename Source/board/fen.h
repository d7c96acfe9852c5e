// Position text: reading FEN/EPD, writing EPD, printing the board.
#pragma once
#include "board/position.h"

// Return codes of SetPosition.
constexpr int kSetOk = 0;
constexpr int kSetCastlingDropped = -1;  // set, without a right whose king or rook was missing
constexpr int kSetRejected = -2;         // text refused, the position is as it was

// Reads placement, side, castling and en passant (counters are ignored, fifty
// is 0) and resets the owner's game to this position. Text that would make a
// broken position is refused with one line and changes nothing. The line
// starts with prefix ("info string " for a controller).
int SetPosition(Position* pos, const char* text, const char* prefix = "");

// Writes the four fields, no counters and no trailing blank (256 bytes suffice).
void MakeEPD(const Position* pos, char* out);

// Prints the EPD line, the diagram and the side to move.
void ShowBoard(const Position* pos);
