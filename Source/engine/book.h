// The opening-book reader: the published book key of a position, and a move
// drawn from the position's entries in the file named by OwnBook_File.
#pragma once
#include <cstdint>
#include <cstdio>

#include "board/position.h"

// One entry as the file holds it, big-endian, 16 bytes; the file is sorted
// by key. The move packs to-square in bits 0-5, from-square in bits 6-11 and
// the promotion piece (1 knight .. 4 queen) in bits 12-14; castling is
// stored as the king taking its own rook's square.
struct BookEntry {
  uint64_t key;
  uint16_t move;
  uint16_t weight;
  uint32_t learn;
};

constexpr int kBookEntrySize = 16;

uint64_t GetHashKey(const Position* pos);

// Reads the next 16 bytes of f into entry: 0, or 1 when the file ends first
// (the fields that were complete are then stored).
int ReadEntry(FILE* f, BookEntry* entry);

// A book move that is legal in pos, drawn by weight, or 0 when the book has
// none (then nothing is printed). Lists the candidates and the choice.
Move PG_GetBookMove(Position* pos);
