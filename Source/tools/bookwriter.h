// The opening-book writer (-mkbook).
#pragma once

// Builds "tmp_book.bin" from the PGN file named by PBlock's game file
// argument. Returns the exit status: 0, or 1 after one error line.
int PG_CreateBook();
