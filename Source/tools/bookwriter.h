// The opening-book writer (-mkbook).
#pragma once

// Builds "tmp_book.bin" from the first moves of the finished games of the PGN
// file named by PBlock's game file argument; a game without a Result tag
// takes the result that ends its moves, and a move that cannot be read, or
// names two, ends its game with one line. Returns the exit status: 0, or 1
// after one error line.
int PG_CreateBook();
